#pragma once
// A failed effect command ends the duovis command with the step and the host's error code.

#include <stdexcept>
#include <string>

#include "AE_Effect.h"

namespace duovis::session {

inline void checkEffect(PF_Err err, const char* step) {
    if (err != PF_Err_NONE)
        throw std::runtime_error(std::string("the effect failed in ") + step + " (error " +
                                 std::to_string(err) + ")");
}

}  // namespace duovis::session
