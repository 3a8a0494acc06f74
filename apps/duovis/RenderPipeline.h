#pragma once
// The render loop with its three stages overlapped: the next frame is decoded and the previous
// one encoded on threads of their own while this one renders on the calling thread (where the
// host runs the effect). Short queues between them keep memory to a few frames.

#include <functional>
#include <memory>
#include <vector>

#include "World.h"
#include "media/FrameIO.h"
#include "session/FrameSequence.h"

namespace duovis::cli {

struct SourceFrame {
    int frame = 0;
    int bits = 8;  // the decoded picture's depth, which the output keeps where the host does
    bool isFloat = false;
    std::vector<refhost::World> views;  // as worlds of the host's format
};

// The rendered views of one source frame (one, or a left and a right).
using RenderStep = std::function<std::vector<refhost::World>(SourceFrame&)>;

// The frames of `frames` read from `reader` (one missing is an error naming it, unless the
// range runs to the input's end or the reader has told of that end already), rendered by `render` and written
// to `writer`, which is finished at the end. `frameDone` runs on the calling thread after each frame is
// handed to the writer. The first failure of any stage stops all three and is rethrown here.
void renderOverlapped(const session::FrameRange& frames, media::FrameReader& reader,
                      refhost::PixelFormat format, const RenderStep& render, media::FrameWriter& writer,
                      const std::function<void()>& frameDone);

}  // namespace duovis::cli
