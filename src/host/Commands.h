// The effect's commands, one handler each. Every handler returns the host's error code; none
// throws on purpose (the entry point turns anything unexpected into a code).
#pragma once

#include "AE_Effect.h"

namespace duovis {

PF_Err dispatchCommand(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef* params[], PF_LayerDef* output,
                       void* extra);

PF_Err globalSetup(PF_InData* in, PF_OutData* out);
PF_Err globalSetdown();
PF_Err paramsSetup(PF_InData* in, PF_OutData* out);
PF_Err sequenceSetup(PF_InData* in, PF_OutData* out);
PF_Err sequenceResetup(PF_InData* in, PF_OutData* out);
PF_Err sequenceFlatten(PF_InData* in, PF_OutData* out);
PF_Err sequenceSetdown(PF_InData* in);
PF_Err frameSetup(PF_InData* in, PF_OutData* out, PF_ParamDef* params[]);
PF_Err render(PF_InData* in, PF_OutData* out, PF_ParamDef* params[], PF_LayerDef* output);

}  // namespace duovis
