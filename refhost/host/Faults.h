#pragma once
// Host failures a test can ask for, so the effect's failure paths run as they would when a
// real host refuses something.

#include <atomic>
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
    // The iterate service: missing (a null pointer), handing out its iterations from the last
    // to the first, or interrupted at the Nth iteration it hands out (1-based; 0 never), which
    // reports iterateError in place of the effect's; no iteration starts after it.
    bool noIterateService = false;
    bool iterateBackwards = false;
    int interruptIterationAt = 0;
    PF_Err iterateError = PF_Err_INTERNAL_STRUCT_DAMAGED;
    // A Drawbot or custom UI function, by name ("NewBrush", "PF_GetDrawingReference"), fails
    // at its Nth call within one draw event (1-based) with drawbotError.
    std::string failDrawbotCall;
    int failDrawbotCallAt = 1;
    SPErr drawbotError = PF_Err_OUT_OF_MEMORY;

    // Any host service, by its place among all of them: the Nth call (1-based; 0 never) of a
    // callback or suite function that can report a failure fails with serviceError (a suite
    // function that hands back a pointer hands back null), counted over the instance's whole
    // life. A sweep counts a clean run first, then fails each call in turn.
    int failServiceCallAt = 0;
    PF_Err serviceError = PF_Err_OUT_OF_MEMORY;
    int serviceCalls() const { return serviceCalls_; }
    const std::string& failedService() const { return failedService_; }  // empty until it fires
    // Counts one call of `service`; true when this is the call to fail.
    bool failsServiceCall(const char* service) const {
        if (++serviceCalls_ != failServiceCallAt) return false;
        failedService_ = service;
        return true;
    }

  private:
    // Counted from callbacks that may run on the host's worker threads.
    mutable std::atomic<int> serviceCalls_{0};
    mutable std::string failedService_;
};

}  // namespace duovis::refhost
