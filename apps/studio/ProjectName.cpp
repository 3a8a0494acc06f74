#include "ProjectName.h"

namespace duovis::studio {

bool isProjectPath(const QString& path) {
    return path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive);
}

QString projectSaveName(const QString& path) {
    if (isProjectPath(path)) return path;
    // "name." reads as "name" with an empty extension: one dot, not two.
    return path.endsWith(QLatin1Char('.')) ? path + QLatin1String("json") : path + QLatin1String(".json");
}

}  // namespace duovis::studio
