#include "CpuBands.h"

#include "HostFailure.h"
#include "core/kernel/CpuKernelDispatch.h"
#include "core/kernel/RowBands.h"

#include <cstdlib>

namespace duovis {

namespace {

struct BandedFrame {
    const CpuKernelPlan* kernel;
    CpuPixelFormat format;
    CpuKernelTarget target;
    RowBandPlan bands;
};

PF_Err runBand(void* refcon, A_long /*thread*/, A_long i, A_long /*iterations*/) {
    // Called by the host: nothing may leave it but an error code.
    return guardedHostCall([&] {
        const auto* frame = static_cast<const BandedFrame*>(refcon);
        runCpuTransformKernel(*frame->kernel, frame->format, rowBandAt(frame->bands, i), frame->target);
        return PF_Err(PF_Err_NONE);
    });
}

}  // namespace

CpuKernelTarget cpuRenderTarget() {
    static const CpuKernelTarget target = pinnedCpuKernelTarget(std::getenv("DUOVIS_CPU_TARGET"));
    return target;
}

PF_Err runKernelInRowBands(const PF_InData* in, const TransformKernelArgs& args, CpuPixelFormat format) {
    const CpuKernelPlan kernel = planCpuKernel(args, format);
    BandedFrame frame{&kernel, format, cpuRenderTarget(),
                      planRowBands(args.inWidthLP, args.inHeightLP, args.inDispMode)};
    const bool served = in->utils != nullptr && in->utils->iterate_generic != nullptr;
    if (frame.bands.count < 2 || !served) {
        runCpuTransformKernel(kernel, format, RowBand{}, frame.target);
        return PF_Err_NONE;
    }
    return in->utils->iterate_generic(frame.bands.count, &frame, runBand);
}

}  // namespace duovis
