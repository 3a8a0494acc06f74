#include "core/params/Codes.h"

namespace duovis {

const DisplayTypeInfo kDisplayTypes[kDisplayTypeCount] = {
    {"Left", 1, 1},
    {"Right", 1, 1},
    {"Side-By-Side(50%)", 1, 1},
    {"Side-By-Side(100%)", 2, 1},
    {"Top-Bottom(50%)", 1, 1},
    {"Top-Bottom(100%)", 1, 2},
    {"Line Interlaced", 1, 1},
    {"Anaglyph (Red/Cyan)", 1, 1},
    {"Anaglyph (Optimized)", 1, 1},
    {"Anaglyph (Grayscale)", 1, 1},
    {"Onion Skin (50-50)", 1, 1},
    {"Difference Map", 1, 1},
    {"Checkerboard", 1, 1},
    {"Corvant Parallax", 1, 1},
};

const DemuxModeInfo kDemuxModes[kDemuxModeCount] = {
    {"None", DEMUX_NONE},
    {"Side-By-Side(50%)", DEMUX_SBS_HALF},
    {"Top-Bottom(50%)", DEMUX_TB_HALF},
    {"Side-By-Side(100%)", DEMUX_SBS_FULL},
    {"Top-Bottom(100%)", DEMUX_TB_FULL},
};

DemuxCode demuxCodeFromPopup(int popupValue) {
    if (popupValue < 1 || popupValue > kDemuxModeCount) return DEMUX_NONE;
    return kDemuxModes[popupValue - 1].code;
}

}  // namespace duovis
