#pragma once
// Host failures a test can ask for, so the effect's failure paths run as they would when a
// real host refuses something.

#include <optional>
#include <set>
#include <string>

#include "AE_Effect.h"

namespace duovis::refhost {

struct Faults {
    std::set<std::string> refusedSuites;  // by suite name, every version
    bool noBasicSuite = false;            // in_data->pica_basicP is null
    int failAddParamAt = 0;               // the Nth add-parameter call fails (1-based; 0 never)
    PF_Err addParamError = PF_Err_OUT_OF_MEMORY;
    std::optional<PF_Err> checkoutError;
    std::optional<PF_Err> checkinError;
    std::optional<PF_Err> copyError;
    bool failNewHandle = false;  // the handle suite cannot allocate
    int outputShrinkX = 0;       // the host grants an output this much narrower
    int outputShrinkY = 0;       // ... and this much lower than asked for
    // A Drawbot or custom UI function, by name ("NewBrush", "PF_GetDrawingReference"), fails
    // at its Nth call within one draw event (1-based) with drawbotError.
    std::string failDrawbotCall;
    int failDrawbotCallAt = 1;
    SPErr drawbotError = PF_Err_OUT_OF_MEMORY;
};

}  // namespace duovis::refhost
