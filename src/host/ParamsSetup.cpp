// Parameter set-up: every entry of the parameter list after the host's own input layer,
// in list order, in the form this host shows it.
#include "ClipboardLocation.h"
#include "Commands.h"
#include "DeliverableTraits.h"
#include "HostIds.h"
#include "HostStrings.h"
#include "ParamRegistration.h"

namespace duovis {

PF_Err paramsSetup(PF_InData* in, PF_OutData* out) {
    fixParameterClipboardPath();
    if (!in->inter.add_param) return PF_Err_INVALID_CALLBACK;

    const bool afterEffects = isAfterEffects(in);
    for (const ParamDef& d : paramTable(kThisDeliverable.deliverable)) {
        if (d.kind == ParamKind::InputLayer) continue;  // the host supplies it
        PF_ParamDef def = registrationDef(d, afterEffects);
        if (d.kind != ParamKind::GroupEnd) copyHostString(in, def.name, sizeof def.name, d.uiName);
        if (const PF_Err err = in->inter.add_param(in->effect_ref, PF_PARAM_APPEND, &def)) return err;
    }
    out->num_params = PARAM_COUNT;
    return PF_Err_NONE;
}

}  // namespace duovis
