#include "session/ShotReport.h"

#include <QString>

#include "core/params/ParamTable.h"

namespace duovis::session {

std::string shotValuesText(const std::map<int, double>& values) {
    std::string text;
    for (const auto& [position, value] : values)
        text += (text.empty() ? "" : ", ") +
                std::string(paramDef(static_cast<ParamId>(position)).identifier) + " " +
                QString::number(value, 'f', 4).toStdString();
    return text;
}

std::string shotFrameLine(const ShotFrame& f) {
    const std::string frame = "frame " + std::to_string(f.frame) + ": ";
    if (f.refused) return frame + "refused by the tool, no key";
    const std::string measured = frame + "measured " + shotValuesText(f.measured);
    return f.keyed.empty() ? measured : measured + "; keyed " + shotValuesText(f.keyed);
}

}  // namespace duovis::session
