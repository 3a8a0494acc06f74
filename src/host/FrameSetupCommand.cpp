// Frame set-up: the frame rate for the tool link and, in the compositing host, the output
// buffer the display code in force needs.
#include "Commands.h"
#include "FrameSetup.h"
#include "GlobalDisplayState.h"
#include "HostIds.h"
#include "HostParams.h"
#include "ParamRules.h"

namespace duovis {

namespace {

Ratio ratioOf(const PF_RationalScale& s) {
    return Ratio{static_cast<uint32_t>(s.num), s.den};
}

}  // namespace

PF_Err frameSetup(PF_InData* in, PF_OutData* out, PF_ParamDef* params[]) {
    GlobalDisplayState& state = globalDisplayState();
    // A host without valid timing (zero frame duration) leaves the last known rate in place.
    const float fps = framesPerSecond(in->time_scale, in->time_step);
    if (fps != 0.0f) state.framesPerSecond = fps;

    if (isAfterEffects(in)) {
        const ParamValues v = paramValuesFromHost(params, in->num_params);
        const int displayCode = displayCodeInForce(state, v.integer(DISPLAY_TYPE));
        const OutputBufferRequest r = outputBufferRequest(
            static_cast<uint32_t>(in->width), static_cast<uint32_t>(in->height), ratioOf(in->downsample_x),
            ratioOf(in->downsample_y), primaryDemuxCode(v), displayCode, out->width, out->height);
        out->width = r.width;
        out->height = r.height;
        out->origin.h = r.originH;
        out->origin.v = r.originV;
    }
    return PF_Err_NONE;
}

}  // namespace duovis
