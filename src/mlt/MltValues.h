// The effect's values for one frame, read from an MLT service's properties.
#pragma once

#include "core/params/ParamValues.h"

#include <framework/mlt.h>

#include <string>

namespace duovis::mlt {

// Every offered property that is set, at `position` of `length` (animated sliders follow
// their keyframes), the rest at their defaults. Returns one line naming the property when a
// value is refused.
std::string readValues(mlt_properties properties, int position, int length, ParamValues& out);

}  // namespace duovis::mlt
