// How one frame's eye grid splits into row bands that a host's worker threads may run at the
// same time and in any order, leaving every output pixel as one pass over the grid does.
#pragma once

#include "core/kernel/CpuRun.h"

#include <cstdint>

namespace duovis {

struct RowBandPlan {
    int32_t rows = 0;   // rows of every band but the last one, an even number
    int32_t count = 1;  // 1: the grid goes in one pass
    int32_t height = 0;
};

// Bands are large enough that handing one to a thread costs little beside rendering it; a
// small grid is one band.
RowBandPlan planRowBands(int32_t eyeWidth, int32_t eyeHeight, int32_t displayCode);
RowBand rowBandAt(const RowBandPlan& plan, int32_t index);

}  // namespace duovis
