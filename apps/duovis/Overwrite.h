#pragma once
// -y and -n: whether a render replaces outputs that exist (the default) or refuses them.

#include <QString>

#include "Args.h"
#include "media/AtomicSave.h"
#include "session/FrameSequence.h"

namespace duovis::cli {

// -y (--overwrite) replaces, -n (--no-overwrite) keeps what is there; both is an error.
SaveMode saveModeFromArgs(const Args& args);

// Under -n, throws naming the first of the outputs `output` makes for `frames` that exists,
// so nothing is written when any of them would be refused.
void refuseExistingOutputs(const QString& output, const session::FrameRange& frames, SaveMode mode);

}  // namespace duovis::cli
