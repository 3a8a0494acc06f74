#include "core/kernel/CpuKernelDispatch.h"

#include "core/kernel/PixelFormats.h"
#include "core/kernel/StereoKernel.h"

namespace duovis {

CpuKernelPlan planCpuKernel(const TransformKernelArgs& args, CpuPixelFormat format) {
    return planCpuKernel(args,
                         format == CpuPixelFormat::Argb8 ? Argb8::kBytesPerPixel : Bgra32f::kBytesPerPixel);
}

void runCpuTransformKernel(const CpuKernelPlan& plan, CpuPixelFormat format, RowBand rows,
                           CpuKernelTarget target) {
    if (!plan.args || !plan.args->inImageD) return;
    if (!plan.vectorisable) return runReferenceCpuKernel(*plan.args, format, rows);
    runFastCpuKernel(plan, format, rows, target);
}

void runCpuTransformKernel(const TransformKernelArgs& args, CpuPixelFormat format, RowBand rows,
                           CpuKernelTarget target) {
    runCpuTransformKernel(planCpuKernel(args, format), format, rows, target);
}

}  // namespace duovis
