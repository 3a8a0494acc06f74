#include "core/params/TimeVariation.h"

#include "core/params/ParamTable.h"

namespace duovis {

bool sliderTimeVaries(ParamId id) {
    return id > INPUT_LAYER && id < PARAM_COUNT && paramDef(id).kind == ParamKind::FloatSlider &&
           id != SECONDARY_FRAME_OFFSET;
}

}  // namespace duovis
