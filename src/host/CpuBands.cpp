#include "CpuBands.h"

#include "HostFailure.h"
#include "core/kernel/CpuKernelDispatch.h"

#include <cstdlib>

namespace duovis {

namespace {

struct Bands {
    const RowBandPlan* plan;
    const std::function<void(RowBand)>* band;
};

PF_Err runBand(void* refcon, A_long /*thread*/, A_long i, A_long /*iterations*/) {
    // Called by the host: nothing may leave it but an error code.
    return guardedHostCall([&] {
        const auto* bands = static_cast<const Bands*>(refcon);
        (*bands->band)(rowBandAt(*bands->plan, i));
        return PF_Err(PF_Err_NONE);
    });
}

}  // namespace

CpuKernelTarget cpuRenderTarget() {
    static const CpuKernelTarget target = pinnedCpuKernelTarget(std::getenv("DUOVIS_CPU_TARGET"));
    return target;
}

PF_Err runRowBands(const PF_InData* in, const RowBandPlan& bands, const std::function<void(RowBand)>& band) {
    const bool served = in->utils != nullptr && in->utils->iterate_generic != nullptr;
    if (bands.count < 2 || !served) {
        band(RowBand{});
        return PF_Err_NONE;
    }
    Bands refcon{&bands, &band};
    return in->utils->iterate_generic(bands.count, &refcon, runBand);
}

PF_Err runKernelInRowBands(const PF_InData* in, const TransformKernelArgs& args, CpuPixelFormat format) {
    const CpuKernelPlan kernel = planCpuKernel(args, format);
    const CpuKernelTarget target = cpuRenderTarget();
    return runRowBands(in, planRowBands(args.inWidthLP, args.inHeightLP, args.inDispMode),
                       [&](RowBand rows) { runCpuTransformKernel(kernel, format, rows, target); });
}

}  // namespace duovis
