#include "core/params/StereoPacking.h"

#include "core/params/Codes.h"

namespace duovis {

namespace {

// The 1-based "Demux Mode" value whose sampler code is `code`.
int demuxPopupFor(DemuxCode code) {
    for (int i = 0; i < kDemuxModeCount; ++i)
        if (kDemuxModes[i].code == code) return i + 1;
    return 1;
}

}  // namespace

int demuxModeForPacking(Packing packing, int width, int height) {
    if (width <= 0 || height <= 0) return demuxPopupFor(DEMUX_NONE);
    const double aspect = static_cast<double>(width) / height;
    switch (packing) {
        case Packing::SideBySide:
            return demuxPopupFor(aspect > 2.5 ? DEMUX_SBS_FULL : DEMUX_SBS_HALF);
        case Packing::TopBottom:
            return demuxPopupFor(aspect < 1.0 ? DEMUX_TB_FULL : DEMUX_TB_HALF);
        case Packing::None:
            break;
    }
    return demuxPopupFor(DEMUX_NONE);
}

Packing packingOfDisplayType(int displayTypeValue) {
    if (!isDisplayTypeValue(displayTypeValue)) return Packing::None;
    switch (displayTypeValue - 1) {
        case DISPLAY_SBS_HALF:
        case DISPLAY_SBS_FULL:
            return Packing::SideBySide;
        case DISPLAY_TB_HALF:
        case DISPLAY_TB_FULL:
            return Packing::TopBottom;
        default:
            return Packing::None;
    }
}

}  // namespace duovis
