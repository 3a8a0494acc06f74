#pragma once
// What the studio shows of an entry's keys: whether it has one at the current time or only
// elsewhere, the frames they sit on, and the key before or after a frame.

#include <optional>
#include <vector>

#include "EffectInstance.h"

namespace duovis::studio {

enum class KeyMark { None, Elsewhere, Here };

KeyMark keyMarkAt(const refhost::ParamStore& store, int position);

// The frames, in order and once each, that the entry's keys sit on at the instance's rate;
// with `position` 0, those of every entry.
std::vector<int> keyFrames(const refhost::EffectInstance& fx, int position);

// The nearest frame of `frames` after `from` (step > 0) or before it (step < 0).
std::optional<int> neighbourKey(const std::vector<int>& frames, int from, int step);

}  // namespace duovis::studio
