// Frame set-up: the frame rate for the tool link and, in the compositing host, the output
// buffer the display code in force needs.
#include "Commands.h"
#include "HostIds.h"
#include "HostParams.h"
#include "core/frame/FrameSetup.h"
#include "core/frame/GlobalDisplayState.h"

namespace duovis {

PF_Err frameSetup(PF_InData* in, PF_OutData* out, PF_ParamDef* params[]) {
    GlobalDisplayState& state = globalDisplayState();
    // A host without valid timing (zero frame duration) leaves the last known rate in place.
    const float fps = framesPerSecond(in->time_scale, in->time_step);
    if (fps != 0.0f) state.framesPerSecond = fps;

    if (isAfterEffects(in)) {
        const ParamValues v = paramValuesFromHost(params, in->num_params);
        const FramePlan plan = planFrame(state, v, layerSize(in));
        const OutputBufferRequest r = outputBufferRequest(plan.sizes.output, out->width, out->height);
        out->width = r.width;
        out->height = r.height;
        out->origin.h = r.originH;
        out->origin.v = r.originV;
    }
    return PF_Err_NONE;
}

}  // namespace duovis
