#include "core/params/StereoPacking.h"

namespace duovis {

namespace {

// A frame wider than this (side by side) holds two eyes at full width; one narrower than 1
// (top and bottom), two at full height.
constexpr double kFullWidthAspect = 2.5;
constexpr double kFullHeightAspect = 1.0;

}  // namespace

int demuxModeForPacking(Packing packing, int width, int height) {
    if (width <= 0 || height <= 0 || packing == Packing::None) return demuxPopupValue(DEMUX_NONE);
    const double aspect = static_cast<double>(width) / height;
    const bool fullSize =
        packing == Packing::SideBySide ? aspect > kFullWidthAspect : aspect < kFullHeightAspect;
    return demuxPopupValue(demuxCodeFor(packing, fullSize));
}

}  // namespace duovis
