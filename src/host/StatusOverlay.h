// The event command: the status line drawn into the custom area of "Global Display Settings".
#pragma once

#include "AE_Effect.h"

namespace duovis {

// Only draw events concern the effect, and only in hosts where that entry has a custom area;
// every other event returns 0 untouched.
PF_Err eventCommand(PF_InData* in, PF_OutData* out, PF_EventExtra* extra);

// Draws the status line through the host's drawing suites; marks the event handled when no
// host call failed, else returns the first failure.
PF_Err drawStatusOverlay(PF_InData* in, PF_OutData* out, PF_EventExtra& extra);

}  // namespace duovis
