// How a stream packs the two eyes into one frame, as containers and pipelines announce it, and
// which "Demux Mode" opens such a frame or which packing a "Display Type" makes.
#pragma once

#include "core/params/ChoiceCodes.h"

namespace duovis {

using Packing = EyePacking;

// The 1-based "Demux Mode" value for a frame of `width` x `height` packed this way: full-size
// eyes where the frame is much wider (side by side) or taller (top and bottom) than one picture
// would be, squeezed halves otherwise; "None" for an unpacked frame or an empty size.
int demuxModeForPacking(Packing packing, int width, int height);

// The packing of the image a 1-based "Display Type" value makes; None for single-image types.
inline Packing packingOfDisplayType(int displayTypeValue) {
    return displayPacking(displayTypeValue);
}

}  // namespace duovis
