#include "engine/ShiftTwins.h"

#include "core/frame/EyeGeometry.h"
#include "core/params/ParamRules.h"
#include "core/params/ParamTable.h"
#include "core/params/ResetGroups.h"
#include "core/params/ShiftCoupling.h"

namespace duovis::engine {

void applyPixelShifts(ParamValues& v, uint32_t width, uint32_t height) {
    const EyeSize eye = computeEyeSize(width, height, Ratio{}, Ratio{}, primaryDemuxCode(v));
    for (int p = HSHIFT_PX_GROUP; p <= VSHIFT_PX_GROUP_END; ++p) {
        const auto pixels = ParamId(p);
        const auto twin = shiftTwin(pixels);
        if (!twin || twin->fromPercent || v[pixels] == 0.0 || v[twin->twin] != 0.0) continue;
        const ParamDef& percent = paramDef(twin->twin);
        const int dimension = int(twin->axis == ShiftAxis::Horizontal ? eye.width : eye.height);
        const auto coupled = coupleShift(v[pixels], false, dimension, percent.validMin, percent.validMax);
        if (!coupled) continue;
        v[twin->twin] = coupled->twinValue;
        if (coupled->changedValue) v[pixels] = *coupled->changedValue;
    }
}

}  // namespace duovis::engine
