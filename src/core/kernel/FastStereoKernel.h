// The host's CPU render as a vector loop: one eye position per lane, compiled for several
// instruction sets in one binary and dispatched at run time to the best the CPU has. Every
// lane repeats the reference loop's operations in its order, so the stored bytes and floats
// are the reference's, bit for bit.
#pragma once

#include "core/kernel/CpuKernelPlan.h"
#include "core/kernel/StereoKernel.h"

#include <cstdint>
#include <string>
#include <vector>

namespace duovis {

// What one run did, so tests can prove that a shortcut was taken.
struct FastKernelCounts {
    int64_t gatheredTaps = 0;    // tap loads that gathered scattered pixels
    int64_t contiguousTaps = 0;  // tap loads of consecutive pixels, without a gather
    int64_t neighbourTaps = 0;   // tap loads of each lane's two columns side by side, no gather
    int64_t rowTaps = 0;         // of those, 8-bit taps picked from whole source row segments
    int64_t unblendedSpans = 0;  // 8-bit spans on whole pixels: one tap and no blend
    int64_t emptySpans = 0;      // spans outside a crop or the auto-crop window: no sampling
    int64_t emptyRows = 0;       // rows outside the auto-crop window: no mapping either
    int64_t wholePixelRows = 0;  // rows on whole pixels, composed from the pixels as they lie
    const char* target = "";     // the instruction set that ran
    int32_t lanes = 0;           // eye positions per vector there
};

// Runs eye-grid rows `rows` of a vectorisable plan.
void runFastCpuKernel(const CpuKernelPlan& plan, CpuPixelFormat format, RowBand rows,
                      FastKernelCounts* counts = nullptr);

// The instruction sets this binary has a kernel for and this CPU runs ("baseline", "sse4",
// "avx2", "avx512"), best last.
std::vector<std::string> cpuKernelTargets();

// Makes the kernel run on one of them from now on (the empty name: the best again). False, and
// nothing changes, for a name not in cpuKernelTargets(). DUOVIS_CPU_TARGET names one for the
// whole process.
bool selectCpuKernelTarget(const std::string& name);

}  // namespace duovis
