// The render command on the CPU: fetch the secondary layer, settle the display code and the
// sizes, and run the stereo kernel straight into the host's output world.
#include "Commands.h"
#include "CpuBands.h"
#include "DeliverableTraits.h"
#include "HostIds.h"
#include "HostParams.h"
#include "core/frame/FramePlan.h"
#include "core/frame/GlobalDisplayState.h"
#include "core/frame/KernelSetup.h"
#include "core/kernel/CpuRun.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace duovis {

namespace {

// The time of the secondary layer: "Frame Offset" frames from now, truncated toward zero. A
// time outside the host's 32-bit range is pinned to it rather than converted out of range.
A_long secondaryTime(const PF_InData* in, double frameOffset) {
    const double t = std::trunc(double(in->current_time) + double(in->time_step) * frameOffset);
    constexpr double kLo = double(std::numeric_limits<A_long>::min());
    constexpr double kHi = double(std::numeric_limits<A_long>::max());
    if (!(t >= kLo)) return std::numeric_limits<A_long>::min();  // also catches NaN
    if (t > kHi) return std::numeric_limits<A_long>::max();
    return A_long(t);
}

CpuPixelFormat formatFor(const PF_InData* in) {
    return kThisDeliverable.floatInEditingHost && isPremiere(in) ? CpuPixelFormat::Bgra32f
                                                                 : CpuPixelFormat::Argb8;
}

int32_t bytesPerPixel(CpuPixelFormat f) {
    return f == CpuPixelFormat::Bgra32f ? int32_t(sizeof(PF_Pixel_BGRA_32f)) : int32_t(sizeof(PF_Pixel8));
}

KernelFrame kernelFrame(const PF_LayerDef& world, int32_t bpp) {
    return KernelFrame{world.data, world.rowbytes / bpp, world.width, world.height};
}

}  // namespace

PF_Err render(PF_InData* in, PF_OutData* out, PF_ParamDef* params[], PF_LayerDef* output) {
    (void)out;
    // Without the input layer's or the output world's pixels there is nothing to read or write.
    if (!params || !params[INPUT_LAYER] || !params[INPUT_LAYER]->u.ld.data || !output || !output->data) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    PF_LayerDef& input = params[INPUT_LAYER]->u.ld;
    const ParamValues v = paramValuesFromHost(params, in->num_params);

    PF_ParamDef secondary{};
    const PF_Err checkout = in->inter.checkout_param(in->effect_ref, SECONDARY_LAYER,
                                                     secondaryTime(in, v[SECONDARY_FRAME_OFFSET]),
                                                     in->time_step, in->time_scale, &secondary);
    const auto finish = [&]() -> PF_Err {
        if (checkout != PF_Err_NONE) return checkout;  // nothing to check in
        return in->inter.checkin_param(in->effect_ref, &secondary);
    };

    // Always one of the fourteen display codes, so every code reaching the kernel has a store
    // rule and the output is written whatever the saved state says.
    const FramePlan plan = planFrame(globalDisplayState(), v, layerSize(in));
    const OutputSize need = plan.sizes.output;

    if (output->width < need.width || output->height < need.height) {
        // No room for the stereo image: the input goes through unchanged.
        if (checkout != PF_Err_NONE) return checkout;
        if (const PF_Err err = in->utils->copy(in->effect_ref, &input, output, nullptr, nullptr)) return err;
        return finish();
    }

    const CpuPixelFormat format = formatFor(in);
    const int32_t bpp = bytesPerPixel(format);
    KernelFrames frames;
    frames.primary = kernelFrame(input, bpp);
    if (checkout == PF_Err_NONE && secondary.u.ld.data) frames.secondary = kernelFrame(secondary.u.ld, bpp);
    // The image is centred in a larger output world; the margin keeps what the host put there.
    const int32_t ox = (output->width - need.width) / 2;
    const int32_t oy = (output->height - need.height) / 2;
    frames.destinationPitch = output->rowbytes / bpp;
    frames.destination =
        static_cast<uint8_t*>(output->data) + (int64_t(oy) * frames.destinationPitch + ox) * int64_t(bpp);

    const TransformKernelArgs args =
        fillKernelArgs(v, frames, plan, frameNumberAt(in->current_time, in->time_step));
    // The secondary layer goes back to the host even when the host's worker threads failed.
    const PF_Err kernel = runKernelInRowBands(in, args, format);
    const PF_Err finished = finish();
    return kernel != PF_Err_NONE ? kernel : finished;
}

}  // namespace duovis
