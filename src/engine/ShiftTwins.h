// The percent and pixel shift twins for an engine, which has no change handler to keep them in
// step: a pixel shift given where its percent twin is zero moves the eye by that many pixels.
#pragma once

#include "core/params/ParamValues.h"

#include <cstdint>

namespace duovis::engine {

// Rewrites each percent shift that is zero while its pixel twin is not, by the effect's own
// conversion for a primary layer of `width` x `height` (the eye the sliders measure, halved
// along a full-size demux). A pixel value beyond what the percent range allows is pinned, as
// the effect pins it. A percent shift that is set wins over its twin.
void applyPixelShifts(ParamValues& v, uint32_t width, uint32_t height);

}  // namespace duovis::engine
