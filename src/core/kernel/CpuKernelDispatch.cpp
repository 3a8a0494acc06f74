// The host's CPU render: the vector kernel on the best instruction set the CPU has, or the
// reference loop for frames too large for its 32-bit lanes. Both store the same bytes.
#include "core/kernel/CpuKernelPlan.h"
#include "core/kernel/FastStereoKernel.h"
#include "core/kernel/StereoKernel.h"

#include <cstdlib>

namespace duovis {

void runCpuTransformKernel(const TransformKernelArgs& args, CpuPixelFormat format, RowBand rows) {
    if (!args.inImageD) return;
    // DUOVIS_CPU_TARGET=baseline|sse4|avx2|avx512 pins the instruction set, for comparisons.
    static const bool pinned = [] {
        const char* name = std::getenv("DUOVIS_CPU_TARGET");
        return name && selectCpuKernelTarget(name);
    }();
    (void)pinned;
    const bool bytes = format == CpuPixelFormat::Argb8;
    const CpuKernelPlan plan = planCpuKernel(args, bytes ? Argb8::kBytesPerPixel : Bgra32f::kBytesPerPixel);
    if (!plan.vectorisable) {
        if (bytes) {
            runTransformKernel<Argb8, CpuRenderPolicy>(args, rows);
        } else {
            runTransformKernel<Bgra32f, CpuRenderPolicy>(args, rows);
        }
        return;
    }
    runFastCpuKernel(plan, format, rows);
}

}  // namespace duovis
