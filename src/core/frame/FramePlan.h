// One frame's plan, made once and read by frame set-up, the CPU render and the GPU render: the
// display code in force, the eye grid, the output size and both crop windows. Kernel arguments
// are filled from it (KernelSetup.h), so no path composes the chain on its own.
#pragma once

#include "core/frame/EyeGeometry.h"
#include "core/frame/GlobalDisplayState.h"
#include "core/params/ParamRules.h"
#include "core/params/ParamValues.h"

#include <cstdint>

namespace duovis {

// The primary layer as the host hands it over; the editing host never downsamples.
struct LayerSize {
    uint32_t width = 0, height = 0;
    Ratio downsampleX{}, downsampleY{};
};

struct FrameSizes {
    EyeSize eye;
    OutputSize output;
};

struct FramePlan {
    int displayCode = 0;  // in force: one of the fourteen display type codes
    FrameSizes sizes;
    CropPercent cropL, cropR;
};

// Eye grid and output size for a primary demux code and a display code.
FrameSizes planSizes(const LayerSize& layer, int primaryDemuxCode, int displayCode);

FramePlan planFrame(const GlobalDisplayState& state, const ParamValues& v, const LayerSize& layer);

}  // namespace duovis
