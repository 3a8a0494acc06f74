// The module's only exported symbol. Nothing but a host error code may cross it.
#include "Commands.h"
#include "DeliverableTraits.h"
#include "core/frame/FailureLadder.h"

namespace {

PF_Err guardedDispatch(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef* params[], PF_LayerDef* output,
                       void* extra) noexcept {
    if (!in || !out) return PF_Err_BAD_CALLBACK_PARAM;
    return duovis::callGuarded<PF_Err>(
        [&] { return duovis::dispatchCommand(cmd, in, out, params, output, extra); },
        [](duovis::Failure f) -> PF_Err {
            return f == duovis::Failure::OutOfMemory ? PF_Err_OUT_OF_MEMORY : PF_Err_INTERNAL_STRUCT_DAMAGED;
        });
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
