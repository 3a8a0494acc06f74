// Reading the host's parameter array and layer size into the core's values.
#pragma once

#include "AE_Effect.h"
#include "core/frame/FramePlan.h"
#include "core/params/ParamValues.h"

namespace duovis {

// The values of popups, checkboxes and float sliders by position; `count` is the number of
// entries in the array (the input record's num_params). An entry the host did not hand over
// (no array, a shorter one, or a null slot) keeps its default, so a partial array still reads
// as a valid parameter set.
ParamValues paramValuesFromHost(PF_ParamDef* const params[], A_long count);

// The input layer's size and downsample ratios, as a frame is planned from them.
LayerSize layerSize(const PF_InData* in);

}  // namespace duovis
