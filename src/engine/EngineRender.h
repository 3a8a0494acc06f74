// One frame of the effect for an engine: the engine's RGBA frames in, the stereo image out,
// through the same plan, kernel arguments and CPU kernel as the effect module's render.
#pragma once

#include "core/params/ParamValues.h"

#include <cstdint>
#include <functional>

namespace duovis::engine {

// RGBA in memory order, 8 bits per channel, or 16 bits per channel in native byte order (the
// latter goes through the editing host's float render, so no precision is lost on the way).
enum class EnginePixels { Rgba8, Rgba64 };

// An engine's frame; `stride` is in bytes. A null `data` is an absent frame.
struct EngineImage {
    const void* data = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int64_t stride = 0;
};

struct EngineTarget {
    void* data = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int64_t stride = 0;
};

struct EngineSize {
    int32_t width = 0;
    int32_t height = 0;
};

// Runs band(0) .. band(count - 1), in any order and on any threads, and returns when all are
// done. The pixels do not depend on how the engine runs them.
using BandRunner = std::function<void(int32_t count, const std::function<void(int32_t)>& band)>;

// Runs every band on the calling thread.
void runBandsInline(int32_t count, const std::function<void(int32_t)>& band);

// The size of the image the effect makes from a primary frame of `width` x `height`.
EngineSize outputSize(const ParamValues& v, int32_t width, int32_t height);

// Renders one frame into `target`, which must be at least outputSize(...); a larger target
// gets the image centred and its margin left as it was. `right` is the second layer (null or
// absent: the effect's behaviour without one). `frameNumber` drives the alternating display
// type. Throws std::invalid_argument for a frame the effect cannot take (no pixels, a target
// too small), std::bad_alloc when scratch memory runs out.
void renderFrame(const ParamValues& v, EnginePixels pixels, const EngineImage& left, const EngineImage* right,
                 const EngineTarget& target, int32_t frameNumber, const BandRunner& runBands);

}  // namespace duovis::engine
