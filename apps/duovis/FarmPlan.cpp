#include "FarmPlan.h"

#include <algorithm>
#include <stdexcept>

namespace duovis::cli {

using session::FrameRange;

namespace {

// The frames of `chunk` that are not finished, in runs of neighbours of the range's step.
std::vector<FrameRange> unfinishedRuns(const FrameRange& chunk, const std::function<bool(int)>& finished) {
    std::vector<FrameRange> runs;
    for (int k = 0; k < chunk.count(); ++k) {
        const int frame = chunk.at(k);
        if (finished(frame)) continue;
        if (!runs.empty() && runs.back().last + chunk.step == frame)
            runs.back().last = frame;
        else
            runs.push_back({frame, frame, chunk.step});
    }
    return runs;
}

}  // namespace

std::vector<FarmChunk> planChunks(const FrameRange& range, int size,
                                  const std::function<bool(int)>& finished) {
    if (size < 1) throw std::runtime_error("--chunk: " + std::to_string(size) + " is below 1 frame");
    std::vector<FarmChunk> chunks;
    const int count = range.count();
    int number = 1;
    // In 64 bits: a chunk larger than the range would carry the sum past an int.
    for (long long start = 0; start < count; start += size, ++number) {
        const auto end = static_cast<int>(std::min<long long>(count, start + size) - 1);
        FarmChunk chunk{number, {range.at(static_cast<int>(start)), range.at(end), range.step}, {}};
        chunk.runs = unfinishedRuns(chunk.frames, finished);
        if (!chunk.runs.empty()) chunks.push_back(std::move(chunk));
    }
    return chunks;
}

std::string framesText(const FrameRange& run) {
    if (run.first == run.last) return std::to_string(run.first);
    std::string text = std::to_string(run.first) + "-" + std::to_string(run.last);
    if (run.step != 1) text += "x" + std::to_string(run.step);
    return text;
}

std::string runsText(const std::vector<FrameRange>& runs) {
    std::string text;
    for (const FrameRange& run : runs) text += (text.empty() ? "" : ", ") + framesText(run);
    return text;
}

}  // namespace duovis::cli
