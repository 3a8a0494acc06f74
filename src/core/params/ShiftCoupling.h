// Keeping a percent shift and its pixel twin in step when the user edits either of them.
#pragma once

#include <optional>

namespace duovis {

struct ShiftCoupling {
    double twinValue;                    // the twin's new value
    std::optional<double> changedValue;  // the edited value, rewritten when the twin clamped
};

// `value` is the edited slider's new value, `fromPercent` says which side it is on, `dimension`
// the eye width or height in pixels and [twinMin, twinMax] the twin's valid range. The twin
// gets the converted value, rounded to single precision; when that falls outside the twin's
// range the twin takes the bound and the edited value is rewritten to match it. A dimension of
// 0 or less has no conversion: nothing changes.
std::optional<ShiftCoupling> coupleShift(double value, bool fromPercent, int dimension, float twinMin,
                                         float twinMax);

}  // namespace duovis
