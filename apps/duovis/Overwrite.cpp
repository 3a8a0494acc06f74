#include "Overwrite.h"

#include <QFile>
#include <QFileInfo>
#include <stdexcept>

namespace duovis::cli {

SaveMode saveModeFromArgs(const Args& args) {
    if (args.has("--overwrite") && args.has("--no-overwrite"))
        throw std::runtime_error("give -y or -n, not both");
    return args.has("--no-overwrite") ? SaveMode::KeepExisting : SaveMode::Replace;
}

void refuseExistingOutputs(const QString& output, const FrameRange& frames, SaveMode mode) {
    if (mode != SaveMode::KeepExisting) return;
    for (int k = 0; k < frames.count(); ++k) {
        const QString file = FrameSequence::expand(output, frames.at(k));
        // A dangling link counts too: writing would go through it.
        if (QFileInfo(file).exists() || QFileInfo(file).isSymLink())
            throw std::runtime_error(QFile::encodeName(file).toStdString() +
                                     ": already exists (-n keeps existing outputs)");
    }
}

}  // namespace duovis::cli
