// The popup values that choose the display and demux codes, and how a display packs the two
// eyes into its frame: what a host needs to set a display or a demux by code and to label what
// it writes, without the rendering behind them.
#pragma once

#include "core/params/Codes.h"

#include <cstdint>

namespace duovis {

// How one frame holds both eyes.
enum class EyePacking { None, SideBySide, TopBottom };

// The 1-based "Display Type" value that shows `code` (a row of the popup, not a parallax phase).
constexpr int32_t displayTypeValue(DisplayCode code) {
    return static_cast<int32_t>(code) + 1;
}

// How the frame a "Display Type" value renders holds the eyes: the side-by-side and top-bottom
// types lay both out, every other type shows one picture. A value outside the popup packs none.
EyePacking displayPacking(int32_t displayTypeValue);

// The demux code that reads frames packed as `packing`, each eye squeezed into its half or at
// full size (the frame twice as wide or as tall); DEMUX_NONE for unpacked frames.
DemuxCode demuxCodeFor(EyePacking packing, bool fullSize);

// The 1-based "Demux Mode" value that chooses `code`: the inverse of demuxCodeFromPopup.
int32_t demuxPopupValue(DemuxCode code);

}  // namespace duovis
