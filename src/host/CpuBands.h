// The CPU render's stereo kernel over the host's worker threads.
#pragma once

#include "AE_Effect.h"
#include "core/kernel/StereoKernel.h"

namespace duovis {

// Runs the kernel over the whole eye grid in row bands through the host's iterate service, or
// in one pass where the host lacks it or the grid is small. The service's error comes back
// unchanged; the plug-in starts no threads of its own.
PF_Err runKernelInRowBands(const PF_InData* in, const TransformKernelArgs& args, CpuPixelFormat format);

}  // namespace duovis
