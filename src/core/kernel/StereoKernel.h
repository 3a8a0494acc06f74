// The CPU render's reference: the stereo kernel's text (StereoStages.clh) compiled as C++ with
// the CPU render's departures from the devices, run position by position in grid order. The
// vector kernel stores the same bytes; this is what it is compared against, and what renders
// frames too large for its lanes.
#pragma once

#include "core/frame/KernelArgs.h"
#include "core/kernel/CpuRun.h"

namespace duovis {

void runReferenceCpuKernel(const TransformKernelArgs& args, CpuPixelFormat format, RowBand rows = {});

}  // namespace duovis
