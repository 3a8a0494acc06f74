#pragma once
// A project's keys in the host: frame numbers made host times at the instance's rate and back,
// and the removal of keys that keeps a shift and its pixel twin in step.

#include <map>
#include <string>
#include <vector>

#include "EffectInstance.h"
#include "session/Project.h"

namespace duovis::session {

// Frame `frame` at the instance's rate: that many time steps.
refhost::KeyTime frameTime(const refhost::HostTime& clock, int frame);
// The frame a host time falls on at the instance's rate, to the nearest.
int frameAt(const refhost::HostTime& clock, refhost::KeyTime at);

// Places the keys at their frames; throws naming the parameter and frame of a key the
// effect's registration does not allow (a parameter that cannot vary in time, a value out of
// range).
void applyKeys(const std::map<std::string, std::vector<ProjectKey>>& keys, refhost::EffectInstance& fx);
std::map<std::string, std::vector<ProjectKey>> captureKeys(const refhost::EffectInstance& fx);

// The entry at `position` and its shift twin, if it has one: the entries whose keys go together.
std::vector<int> keyedTogether(const refhost::ParamStore& store, int position);

}  // namespace duovis::session
