// The CPU render's stereo kernel over the host's worker threads.
#pragma once

#include "AE_Effect.h"
#include "core/frame/KernelArgs.h"
#include "core/kernel/CpuRun.h"
#include "core/kernel/FastStereoKernel.h"

namespace duovis {

// The instruction set the CPU render runs on: the best this CPU has, unless
// DUOVIS_CPU_TARGET=baseline|sse4|avx2|avx512 pins one (for comparisons; a name this CPU does
// not run is ignored). Read once per process.
CpuKernelTarget cpuRenderTarget();

// Runs the kernel over the whole eye grid in row bands through the host's iterate service, or
// in one pass where the host lacks it or the grid is small. The frame is planned once for all
// its bands. The service's error comes back unchanged, and a band that throws reports what the
// module's failure ladder makes of it; the plug-in starts no threads of its own.
PF_Err runKernelInRowBands(const PF_InData* in, const TransformKernelArgs& args, CpuPixelFormat format);

}  // namespace duovis
