#include "Overwrite.h"

#include <QFile>
#include <stdexcept>

namespace duovis::cli {

SaveMode saveModeFromArgs(const Args& args) {
    if (args.has("--overwrite") && args.has("--no-overwrite"))
        throw std::runtime_error("give -y or -n, not both");
    return args.has("--no-overwrite") ? SaveMode::KeepExisting : SaveMode::Replace;
}

void refuseExistingOutputs(const QString& output, const session::FrameRange& frames, SaveMode mode) {
    if (mode != SaveMode::KeepExisting) return;
    for (int k = 0; k < frames.count(); ++k) {
        const std::string file =
            QFile::encodeName(session::FrameSequence::expand(output, frames.at(k))).toStdString();
        if (nameTaken(file)) throw std::runtime_error(file + ": already exists (-n keeps existing outputs)");
    }
}

}  // namespace duovis::cli
