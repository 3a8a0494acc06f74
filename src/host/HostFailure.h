// The effect host's error code for a failure on the module's failure ladder, for every place
// where the host calls into the module (the entry point, the worker threads' callbacks).
#pragma once

#include "AE_Effect.h"
#include "core/frame/FailureLadder.h"

#include <utility>

namespace duovis {

inline PF_Err hostErrorFor(Failure f) {
    return f == Failure::OutOfMemory ? PF_Err_OUT_OF_MEMORY : PF_Err_INTERNAL_STRUCT_DAMAGED;
}

// call(), or the host's code for what it threw.
template <class Call>
PF_Err guardedHostCall(Call&& call) noexcept {
    return callGuarded<PF_Err>(std::forward<Call>(call), hostErrorFor);
}

}  // namespace duovis
