// The CPU render's stereo kernel over the host's worker threads.
#pragma once

#include "AE_Effect.h"
#include "core/frame/KernelArgs.h"
#include "core/kernel/CpuRun.h"
#include "core/kernel/FastStereoKernel.h"
#include "core/kernel/RowBands.h"

#include <functional>

namespace duovis {

// The instruction set the CPU render runs on: the best this CPU has, unless
// DUOVIS_CPU_TARGET=baseline|sse4|avx2|avx512 pins one (for comparisons; a name this CPU does
// not run is ignored). Read once per process.
CpuKernelTarget cpuRenderTarget();

// Runs `band` on each band of `bands` through the host's iterate service, or once over all rows
// where the host lacks it or there is one band. The service's error comes back unchanged; a
// band that throws reports what the module's failure ladder makes of it (on the host's threads
// nothing else may leave it). The plug-in starts no threads of its own.
PF_Err runRowBands(const PF_InData* in, const RowBandPlan& bands, const std::function<void(RowBand)>& band);

// The kernel over the whole eye grid in row bands, the frame planned once for all of them.
PF_Err runKernelInRowBands(const PF_InData* in, const TransformKernelArgs& args, CpuPixelFormat format);

}  // namespace duovis
