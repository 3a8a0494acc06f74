#include "core/params/ChoiceCodes.h"

namespace duovis {

EyePacking displayPacking(int32_t value) {
    if (!isDisplayTypeValue(value)) return EyePacking::None;
    switch (value - 1) {
        case DISPLAY_SBS_HALF:
        case DISPLAY_SBS_FULL:
            return EyePacking::SideBySide;
        case DISPLAY_TB_HALF:
        case DISPLAY_TB_FULL:
            return EyePacking::TopBottom;
        default:
            return EyePacking::None;
    }
}

DemuxCode demuxCodeFor(EyePacking packing, bool fullSize) {
    switch (packing) {
        case EyePacking::SideBySide:
            return fullSize ? DEMUX_SBS_FULL : DEMUX_SBS_HALF;
        case EyePacking::TopBottom:
            return fullSize ? DEMUX_TB_FULL : DEMUX_TB_HALF;
        case EyePacking::None:
            break;
    }
    return DEMUX_NONE;
}

int32_t demuxPopupValue(DemuxCode code) {
    for (int i = 0; i < kDemuxModeCount; ++i)
        if (kDemuxModes[i].code == code) return i + 1;
    return 1;  // "None", as demuxCodeFromPopup reads a value it does not know
}

}  // namespace duovis
