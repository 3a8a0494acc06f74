#pragma once
// Every value an instance holds, as the host keeps them: what an undo step restores and what a
// render on another instance starts from. Values are taken as they are, without range checks,
// since the effect itself may have written them (a paste is not held to the ranges).

#include <map>
#include <vector>

#include "EffectInstance.h"
#include "ParamStore.h"

namespace duovis::studio {

// Each entry as a command at the snapshot's time gets it, and the keys of the animated ones.
// Still a list of entries by position, as the code that reads values expects.
struct ValueSet : std::vector<PF_ParamDef> {
    std::map<int, std::vector<refhost::Keyframe>> keys;
};

ValueSet snapshotValues(const refhost::ParamStore& store);
// Puts the values and keys back on the instance's store, keys at their own times.
void restoreValues(refhost::EffectInstance& fx, const ValueSet& values);
// Positions whose value or keys differ between the two sets.
std::vector<int> differingPositions(const ValueSet& a, const ValueSet& b);

}  // namespace duovis::studio
