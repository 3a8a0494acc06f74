// The host's CPU render as a vector loop: one eye position per lane, compiled for several
// instruction sets in one binary. Every lane repeats the reference's operations in its order,
// so the stored bytes and floats are the reference's (StereoKernel.h), bit for bit.
#pragma once

#include "core/kernel/CpuKernelPlan.h"
#include "core/kernel/CpuRun.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace duovis {

// An instruction set the kernel runs on; the default one is the best this CPU runs.
struct CpuKernelTarget {
    int64_t bits = 0;  // Highway's target bit; 0: the best
};

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

// Runs eye-grid rows `rows` of a vectorisable plan on `target`.
void runFastCpuKernel(const CpuKernelPlan& plan, CpuPixelFormat format, RowBand rows, CpuKernelTarget target,
                      FastKernelCounts* counts = nullptr);

// The instruction sets this binary has a kernel for and this CPU runs ("baseline", "sse4",
// "avx2", "avx512"), best last.
std::vector<std::string> cpuKernelTargets();

// The target of that name (the empty name: the best); none for a name not in cpuKernelTargets().
std::optional<CpuKernelTarget> cpuKernelTarget(const std::string& name);

// The target a pin such as DUOVIS_CPU_TARGET's value names: that one, or the best where `name`
// is null or names none this CPU runs.
CpuKernelTarget pinnedCpuKernelTarget(const char* name);

}  // namespace duovis
