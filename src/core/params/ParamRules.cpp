#include "core/params/ParamRules.h"

#include <algorithm>

namespace duovis {

double familyBothShare(ParamId familyGroup) {
    switch (familyGroup) {
        case SCALE_GROUP:
        case HSCALE_GROUP:
        case VSCALE_GROUP:
            return 1.0;
        default:
            return 0.5;
    }
}

double familyEyeTerm(const ParamValues& v, ParamId familyGroup, Eye eye) {
    const double both = v[ParamId(int(familyGroup) + FAMILY_BOTH)];
    const double share = familyBothShare(familyGroup);
    if (eye == Eye::Left) return v[ParamId(int(familyGroup) + FAMILY_LEFT)] + both * share;
    return v[ParamId(int(familyGroup) + FAMILY_RIGHT)] - both * share;
}

CropPercent cropWindow(const ParamValues& v, Eye eye) {
    const int own = eye == Eye::Left ? CROP_L_LEFT : CROP_R_LEFT;
    const auto sum = [&](int bothPos, int offset) {
        return v.values[std::size_t(bothPos)] + v.values[std::size_t(own + offset)];
    };
    CropPercent c;
    c.left = float(sum(CROP_B_LEFT, 0));
    c.top = float(sum(CROP_B_TOP, 1));
    c.right = float(sum(CROP_B_RIGHT, 2) - 100.0);
    c.bottom = float(sum(CROP_B_BOTTOM, 3) - 100.0);
    return c;
}

// Popup values outside their choices (a damaged project) fall back to the first choice, so a
// code never leaves the sampler's table.
int primaryChannelCode(const ParamValues& v) {
    return std::clamp(v.integer(PRIMARY_DEMUX_CHANNEL) - 1, 0, 2);
}
int secondaryChannelCode(const ParamValues& v) {
    return std::clamp(v.integer(SECONDARY_DEMUX_CHANNEL) - 1, 0, 1);
}

}  // namespace duovis
