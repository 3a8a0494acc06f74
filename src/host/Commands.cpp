#include "Commands.h"

#include "AboutCommand.h"
#include "ParamChange.h"
#include "StatusOverlay.h"

namespace duovis {

PF_Err dispatchCommand(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef* params[], PF_LayerDef* output,
                       void* extra) {
    switch (cmd) {
        case PF_Cmd_GLOBAL_SETUP:
            return globalSetup(in, out);
        case PF_Cmd_GLOBAL_SETDOWN:
            return globalSetdown();
        case PF_Cmd_PARAMS_SETUP:
            return paramsSetup(in, out);
        case PF_Cmd_SEQUENCE_SETUP:
            return sequenceSetup(in, out);
        case PF_Cmd_SEQUENCE_RESETUP:
            return sequenceResetup(in, out);
        case PF_Cmd_SEQUENCE_FLATTEN:
            return sequenceFlatten(in, out);
        case PF_Cmd_SEQUENCE_SETDOWN:
            return sequenceSetdown(in);
        case PF_Cmd_FRAME_SETUP:
            return frameSetup(in, out, params);
        case PF_Cmd_RENDER:
            return render(in, out, params, output);
        case PF_Cmd_ABOUT:
            return showAbout();
        case PF_Cmd_EVENT:
            return eventCommand(in, out, static_cast<PF_EventExtra*>(extra));
        case PF_Cmd_USER_CHANGED_PARAM:
            return userChangedParam(in, params, static_cast<const PF_UserChangedParamExtra*>(extra));
        default:
            return PF_Err_NONE;
    }
}

}  // namespace duovis
