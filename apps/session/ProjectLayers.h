#pragma once
// A project's layers as files: what a name given for a layer is (a still, a numbered sequence
// or a video) and its size, and which frames a layer has, so a key or a press at a frame the
// layer does not have is refused before anything changes.

#include <optional>
#include <string>

#include "session/FrameSequence.h"
#include "session/Project.h"

namespace duovis::session {

// Whether a layer's file is a numbered sequence or a video: a layer with frames of its own.
bool layerMoves(const QString& file);

// The layer `name` makes: its absolute name and the size of its frames. Throws naming the
// name for one that is no readable picture, no sequence with frames, and no video.
ProjectLayer describeLayer(const std::string& name);

// The frames the layer has: a sequence's first to last number, a video's frames from 0; none
// (every frame) for a still or a layer without pictures, and for a video that does not say.
std::optional<FrameRange> layerFrames(const ProjectLayer& layer);

// Throws "FRAME: not a frame of LAYER (A-B)" naming `what` when the layer lacks the frame.
void refuseFrameOutside(const ProjectLayer& layer, int frame, const std::string& what);

}  // namespace duovis::session
