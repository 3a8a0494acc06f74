#pragma once
// Reading the effect's values through the editing host's video segment suite. The GPU filter
// interface counts the parameters without the input layer and hands popups over zero-based;
// what comes back here is the core's view (positions, 1-based popups), so both renders feed
// the same rules.

#include "PrSDKMemoryManagerSuite.h"
#include "PrSDKVideoSegmentSuite.h"
#include "core/params/ParamValues.h"

#include <cstdint>
#include <optional>

namespace duovis::gpu {

// The GPU filter's index of an entry.
constexpr csSDK_int32 gpuParamIndex(ParamId id) {
    return csSDK_int32(id) - 1;
}

class GpuParamReader {
  public:
    GpuParamReader(const PrSDKVideoSegmentSuite* segments, const PrSDKMemoryManagerSuite* memory,
                   csSDK_int32 nodeId)
        : segments_(segments), memory_(memory), nodeId_(nodeId) {}

    bool available() const { return segments_ != nullptr && segments_->GetParam != nullptr; }

    // Every entry the parameter table marks as read by a render, at `time`. An entry the host
    // cannot deliver keeps its default, so the frame is still made from a valid parameter set.
    ParamValues renderValues(PrTime time) const;

    // The layer chosen in "Choose Layer", or none (no layer, or the host cannot say).
    std::optional<csSDK_int32> chosenLayer(PrTime time) const;

    // "Frame Offset" in whole frames, truncated toward zero and held to the slider's range.
    int64_t frameOffset(PrTime time) const;

    // The effect's duration in ticks; 0 when the property cannot be read or parsed.
    PrTime effectDuration() const;

  private:
    std::optional<double> read(ParamId id, PrTime time) const;

    const PrSDKVideoSegmentSuite* segments_;
    const PrSDKMemoryManagerSuite* memory_;
    csSDK_int32 nodeId_;
};

}  // namespace duovis::gpu
