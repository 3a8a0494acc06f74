// One parameter's host definition, built from its row of the parameter table.
#pragma once

#include "AE_Effect.h"
#include "core/params/ParamTable.h"

namespace duovis {

// The host's flag words for an entry in the form it takes in this host.
PF_ParamFlags registrationFlags(ParamId id, ParamKind hostKind);
PF_ParamUIFlags registrationUiFlags(ParamId id, ParamKind hostKind, bool afterEffects);

// The whole definition except the name (which goes through the host's string copy). Every
// field not set here is zero.
PF_ParamDef registrationDef(const ParamDef& d, bool afterEffects);

}  // namespace duovis
