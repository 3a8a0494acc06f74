// The module's only exported symbol. Nothing but a host error code may cross it.
#include "Commands.h"
#include "DeliverableTraits.h"
#include "HostFailure.h"

namespace {

PF_Err guardedDispatch(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef* params[], PF_LayerDef* output,
                       void* extra) noexcept {
    if (!in || !out) return PF_Err_BAD_CALLBACK_PARAM;
    return duovis::guardedHostCall(
        [&] { return duovis::dispatchCommand(cmd, in, out, params, output, extra); });
}

}  // namespace

#if DUOVIS_DELIVERABLE_X
extern "C" PF_EXPORT PF_Err EffectMain(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                       PF_ParamDef* params[], PF_LayerDef* output, void* extra) {
    return guardedDispatch(cmd, in_data, out_data, params, output, extra);
}
#else
extern "C" PF_EXPORT PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                           PF_ParamDef* params[], PF_LayerDef* output, void* extra) {
    return guardedDispatch(cmd, in_data, out_data, params, output, extra);
}
#endif
