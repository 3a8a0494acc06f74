// The codes the kernel works with: display codes (one per "Display Type" choice, plus the two
// parallax phases) and demux codes (the sampler's numbering of the "Demux Mode" choices).
#pragma once

#include "core/params/KernelCodes.h"

#include <cstdint>

namespace duovis {

// An enumerator `name = value,` of the shared code lists.
#define DUOVIS_CODE_ENUMERATOR(name, value) name = value,

enum DisplayCode : int32_t { DUOVIS_DISPLAY_CODES(DUOVIS_CODE_ENUMERATOR) };

// One row per "Display Type" choice; the row index is the display code.
struct DisplayTypeInfo {
    const char* name;      // the choice text as the host shows it
    int32_t widthFactor;   // output width in eye widths
    int32_t heightFactor;  // output height in eye heights
};

constexpr int kDisplayTypeCount = 14;
extern const DisplayTypeInfo kDisplayTypes[kDisplayTypeCount];

constexpr bool isDisplayTypeCode(int code) {
    return code >= 0 && code < kDisplayTypeCount;
}

// A 1-based "Display Type" value (a popup value, a saved global mode) that names a display
// type. Tested before subtracting, so no stored value can overflow on the way.
constexpr bool isDisplayTypeValue(int32_t value) {
    return value >= 1 && isDisplayTypeCode(value - 1);
}

// "Anaglyph (Grayscale)" turns the grayscale conversion on whatever "Grayscale" says.
constexpr bool forcesGrayscale(int displayCode) {
    return displayCode == DISPLAY_ANAGLYPH_GRAY;
}

// "Corvant Parallax" shows the left eye on frames 0..3 of every run of seven and the right eye
// on 4..6; the remainder keeps the sign of the frame number, so negative frames show the left.
constexpr bool parallaxShowsLeft(int32_t frameNumber) {
    return frameNumber % 7 <= 3;
}
constexpr int32_t parallaxPhaseCode(int32_t frameNumber) {
    return parallaxShowsLeft(frameNumber) ? DISPLAY_PARALLAX_LEFT : DISPLAY_PARALLAX_RIGHT;
}

enum DemuxCode : int32_t { DUOVIS_DEMUX_CODES(DUOVIS_CODE_ENUMERATOR) };

// One row per "Demux Mode" choice, in popup order.
struct DemuxModeInfo {
    const char* name;
    DemuxCode code;
};

constexpr int kDemuxModeCount = 5;
extern const DemuxModeInfo kDemuxModes[kDemuxModeCount];

// The sampler's code for a 1-based "Demux Mode" popup value. The popup lists the two half-size
// layouts before the two full-size ones, so its middle entries are swapped. A value outside the
// popup (a damaged project) is read as "None" rather than indexing past the table.
DemuxCode demuxCodeFromPopup(int popupValue);

}  // namespace duovis
