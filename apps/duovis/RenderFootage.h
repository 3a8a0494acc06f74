#pragma once
// The frames a render request covers, checked against its primary as `duovis render` checks
// them before rendering: for front ends that plan a render without running it (farm renders).

#include "RenderRequest.h"
#include "session/FrameSequence.h"

namespace duovis::cli {

// Throws std::runtime_error naming the input and the first frame it lacks, or the output
// where render would refuse it (its folder missing, a name that is not UTF-8).
session::FrameRange footageFrames(const RenderRequest& request);

}  // namespace duovis::cli
