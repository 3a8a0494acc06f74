// Which host is calling: the application id in the input record.
#pragma once

#include "AE_Effect.h"

namespace duovis {

inline bool isAfterEffects(const PF_InData* in) {
    return in->appl_id == PF_APPL_ID_AFTER_EFFECTS;
}
inline bool isPremiere(const PF_InData* in) {
    return in->appl_id == PF_APPL_ID_PREMIERE;
}

}  // namespace duovis
