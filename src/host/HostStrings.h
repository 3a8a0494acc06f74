// Text the effect hands to the host: names of parameters and messages the host shows.
#pragma once

#include "AE_Effect.h"

#include <cstddef>

namespace duovis {

// Copies `src` into `dest` (room for `destSize` bytes, terminator included) with the host's
// string-copy callback, cut to fit first so the host never writes past the field.
void copyHostString(const PF_InData* in, A_char* dest, std::size_t destSize, const char* src);

// Asks the host to show `message` when the command returns.
void reportToUser(const PF_InData* in, PF_OutData* out, const char* message);

}  // namespace duovis
