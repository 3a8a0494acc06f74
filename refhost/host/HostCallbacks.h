#pragma once
// The callback tables a host puts into every input record.

#include "AE_Effect.h"

namespace duovis::refhost {

PF_InteractCallbacks interactCallbacks();
PF_UtilCallbacks* utilCallbacks();

}  // namespace duovis::refhost
