#pragma once
// Every value an instance holds, as the host keeps them: what an undo step restores and what a
// render on another instance starts from. Values are taken as they are, without range checks,
// since the effect itself may have written them (a paste is not held to the ranges).

#include <vector>

#include "ParamStore.h"

namespace duovis::studio {

using ValueSet = std::vector<PF_ParamDef>;

ValueSet snapshotValues(const refhost::ParamStore& store);
void restoreValues(refhost::ParamStore& store, const ValueSet& values);
// Positions whose value differs between the two sets.
std::vector<int> differingPositions(const ValueSet& a, const ValueSet& b);

}  // namespace duovis::studio
