// The user-changed-parameter command: buttons and supervised parameters.
#pragma once

#include "AE_Effect.h"

namespace duovis {

// Acts on the parameter at `extra->param_index`: resets, shift coupling, the global display,
// copy and paste, About, the parallax tool. Every value it writes is marked changed so the
// host takes it over. Always succeeds: nothing here is the host's failure.
PF_Err userChangedParam(PF_InData* in, PF_ParamDef* params[], const PF_UserChangedParamExtra* extra);

}  // namespace duovis
