// Which entries may change over time: the host keyframes them, engines animate them.
#pragma once

#include "core/params/ParamId.h"

namespace duovis {

// Every float slider but "Frame Offset", which picks the secondary layer's frame and so must
// hold for the whole layer. Popups, checkboxes and buttons are constant.
bool sliderTimeVaries(ParamId id);

}  // namespace duovis
