#pragma once
// What a press of the parallax tool changed, in words a person reads after it: each value it
// applied with the old and new number, or that it applied nothing (it refused, or the pair
// needed nothing; the tool's own report says which).

#include <QString>

#include "ValueSet.h"

namespace duovis::studio {

QString toolSummary(const ValueSet& before, const ValueSet& after);

}  // namespace duovis::studio
