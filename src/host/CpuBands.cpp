#include "CpuBands.h"

#include "core/kernel/RowBands.h"

namespace duovis {

namespace {

struct BandedFrame {
    const TransformKernelArgs* args;
    CpuPixelFormat format;
    RowBandPlan plan;
};

PF_Err runBand(void* refcon, A_long /*thread*/, A_long i, A_long /*iterations*/) {
    // Called by the host: nothing may leave it but an error code.
    try {
        const auto* frame = static_cast<const BandedFrame*>(refcon);
        runCpuTransformKernel(*frame->args, frame->format, rowBandAt(frame->plan, i));
        return PF_Err_NONE;
    } catch (...) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
}

}  // namespace

PF_Err runKernelInRowBands(const PF_InData* in, const TransformKernelArgs& args, CpuPixelFormat format) {
    BandedFrame frame{&args, format, planRowBands(args.inWidthLP, args.inHeightLP, args.inDispMode)};
    const bool served = in->utils != nullptr && in->utils->iterate_generic != nullptr;
    if (frame.plan.count < 2 || !served) {
        runCpuTransformKernel(args, format);
        return PF_Err_NONE;
    }
    return in->utils->iterate_generic(frame.plan.count, &frame, runBand);
}

}  // namespace duovis
