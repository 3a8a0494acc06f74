// Rules of the parameter model that several paths share: how an eye's values are composed
// from the Both/Left/Right sliders, the crop windows, and the channel codes.
#pragma once

#include "core/params/Codes.h"
#include "core/params/ParamId.h"
#include "core/params/ParamValues.h"

namespace duovis {

enum class Eye { Left, Right };

// The part of a family's Both slider that an eye receives: half for the shifts, rotation,
// skews and keystones, the whole value for the three scale families (base-2 exponents).
double familyBothShare(ParamId familyGroup);

// The value a family applies to one eye: its own slider plus (left) or minus (right) the share
// of the Both slider, as `own + both * share` / `own - both * share`.
double familyEyeTerm(const ParamValues& v, ParamId familyGroup, Eye eye);

// A crop window in percent: left and top are distances from the left and top edge, right and
// bottom are positions measured from them (100 = no crop). Single precision, as the sampler
// receives it.
struct CropPercent {
    float left = 0, top = 0, right = 100, bottom = 100;
};

// "Crop Both" plus the eye's own crop sliders; each sum in double precision, then rounded.
CropPercent cropWindow(const ParamValues& v, Eye eye);

// Zero-based channel codes. Primary: 0 both eyes, 1 first half, 2 second half.
// Secondary (always exactly one eye): 0 first half, 1 second half.
int primaryChannelCode(const ParamValues& v);
int secondaryChannelCode(const ParamValues& v);

inline DemuxCode primaryDemuxCode(const ParamValues& v) {
    return demuxCodeFromPopup(v.integer(PRIMARY_DEMUX_MODE));
}
inline DemuxCode secondaryDemuxCode(const ParamValues& v) {
    return demuxCodeFromPopup(v.integer(SECONDARY_DEMUX_MODE));
}

}  // namespace duovis
