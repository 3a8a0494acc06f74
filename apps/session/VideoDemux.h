#pragma once
// The demux a video's stereo metadata asks for, shared by `duovis render` and the studio so
// both open a packed video the same way.

#include "media/VideoReader.h"
#include "session/RenderJob.h"

namespace duovis::session {

// Sets the primary demux mode (and the eye swap) that a video's stereo metadata asks for; the
// eyes are full size where the frame is much wider (side by side) or taller (top and bottom)
// than one picture would be.
void demuxFromMetadata(const media::VideoInfo& video, RenderJob& job);

}  // namespace duovis::session
