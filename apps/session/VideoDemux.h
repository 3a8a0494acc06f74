#pragma once
// How a video's stereo metadata meets the effect, shared by `duovis render` and the studio so
// both treat packed video the same way: the demux a packed video asks for, and the packing an
// output carries for players to read.

#include "media/StereoLayout.h"
#include "media/VideoReader.h"
#include "session/RenderJob.h"

namespace duovis::session {

// The 1-based "Demux Mode" a video's stereo metadata asks for ("None" where it says nothing):
// the eyes are full size where the frame is much wider (side by side) or taller (top and
// bottom) than one picture would be.
int demuxModeFromMetadata(const media::VideoInfo& video);

// Sets the primary demux mode (and the eye swap) that a video's stereo metadata asks for.
void demuxFromMetadata(const media::VideoInfo& video, RenderJob& job);

// How the display type in force packs the eyes, and whether the right eye comes first.
media::StereoLayout outputLayout(RenderJob& job);

}  // namespace duovis::session
