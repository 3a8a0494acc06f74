#pragma once
// A farm render's frames cut into chunks, one scheduler task each, keeping only the frames
// that are not finished yet, so a rerun costs only what is missing.

#include <functional>
#include <string>
#include <vector>

#include "session/FrameSequence.h"

namespace duovis::cli {

struct FarmChunk {
    int number = 0;                         // 1-based, among all the range's chunks
    session::FrameRange frames;             // all the chunk's frames
    std::vector<session::FrameRange> runs;  // those to render, as runs --frames takes
};

// The chunks of `size` frames of `range` with a frame `finished` says is not; throws
// std::runtime_error when `size` is below 1.
std::vector<FarmChunk> planChunks(const session::FrameRange& range, int size,
                                  const std::function<bool(int frame)>& finished);

// "N", "A-B" or "A-BxSTEP": what --frames takes for the run.
std::string framesText(const session::FrameRange& run);

// The runs as a list for people: "0-3, 6, 9-11".
std::string runsText(const std::vector<session::FrameRange>& runs);

}  // namespace duovis::cli
