#include "ClipboardLocation.h"

#include "core/params/ClipboardPath.h"

#include <QStandardPaths>

#include <cstdlib>

namespace duovis {

namespace {

QString& storedPath() {
    static QString path;
    return path;
}

}  // namespace

void fixParameterClipboardPath() {
    storedPath() = clipboardPath(std::getenv("ProgramData"),
                                 QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
}

const QString& parameterClipboardPath() {
    return storedPath();
}

}  // namespace duovis
