#pragma once
// Which frames a layer has, and the refusals of frames it does not have, checked before any
// work is done on them: the one rule for `duovis render` and `depthscope analyse`.

#include "session/FrameSequence.h"
#include "session/RenderInputs.h"

namespace duovis::session {

// Every frame of the layer: a sequence's first to last, a video's declared frames (or through
// its end where the container does not say), a still's one frame 0.
FrameRange allFramesOf(const InputLayer& layer);

// Throws naming the first frame of `range` asked past the end of a video layer: the container
// declares its frames, or a file that does not is read ahead to its end. A pipe can only be
// found short as it is read.
void refuseFramesPastTheEnd(const FrameRange& range, const InputLayer& layer);

// Throws "FILE: frame missing" for the first frame of `range` whose file a sequence layer lacks.
void refuseSequenceGaps(const FrameRange& range, const InputLayer& layer);

}  // namespace duovis::session
