#include "core/params/ShiftCoupling.h"

namespace duovis {

std::optional<ShiftCoupling> coupleShift(double value, bool fromPercent, int dimension, float twinMin,
                                         float twinMax) {
    if (dimension <= 0) return std::nullopt;
    const double d = dimension;
    float twin = fromPercent ? static_cast<float>(value / 100.0 * d) : static_cast<float>(value / d * 100.0);
    // The bound seen from the edited side, in single precision like the slider itself.
    const auto back = [&](float bound) {
        const float df = static_cast<float>(dimension);
        return static_cast<double>(fromPercent ? bound / df * 100.0f : bound / 100.0f * df);
    };
    ShiftCoupling out{0.0, std::nullopt};
    if (twin > twinMax) {
        twin = twinMax;
        out.changedValue = back(twinMax);
    } else if (twin < twinMin) {
        twin = twinMin;
        out.changedValue = back(twinMin);
    }
    out.twinValue = static_cast<double>(twin);
    return out;
}

}  // namespace duovis
