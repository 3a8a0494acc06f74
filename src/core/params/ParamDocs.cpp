#include "core/params/ParamDocs.h"

#include <iterator>

namespace duovis {

namespace {

// One row per transformation family, in list order.
struct FamilyDoc {
    const char* unit;
    const char* what;  // completes "Both eyes' ..." style sentences
    bool wholeBoth;    // the Both value applies whole (scales), not split in halves
};

constexpr FamilyDoc kFamilyDocs[] = {
    {"%", "horizontal shift, in percent of the eye width", false},
    {"%", "vertical shift, in percent of the eye height", false},
    {"px", "horizontal shift in pixels (kept in step with the percent shift)", false},
    {"px", "vertical shift in pixels (kept in step with the percent shift)", false},
    {"log2", "scale, as a power of two (1 doubles the size, -1 halves it)", true},
    {"log2", "horizontal scale, as a power of two", true},
    {"log2", "vertical scale, as a power of two", true},
    {"°", "rotation in degrees, counter-clockwise positive", false},
    {"°", "horizontal skew in degrees", false},
    {"°", "vertical skew in degrees", false},
    {"°", "horizontal keystone in degrees, seen through the field of view", false},
    {"°", "vertical keystone in degrees, seen through the field of view", false},
};

struct Row {
    ParamId id;
    const char* unit;
    const char* description;
};

constexpr Row kRows[] = {
    {LAUNCH_TOOL, "", "Sends the current pair to the parallax tool and applies the corrections it replies."},
    {DISPLAY_TYPE, "", "How the two eyes are composed into the output frame."},
    {LG_ENABLE, "", "Shows the stereo composition inside a circle and the left eye alone outside it."},
    {LG_CENTER_X, "%", "Centre of the looking-glass circle, in percent of the eye width."},
    {LG_CENTER_Y, "%", "Centre of the looking-glass circle, in percent of the eye height."},
    {LG_RADIUS, "%", "Radius of the looking-glass circle, in percent of half the eye height."},
    {LG_BORDER_COLOR, "", "Colour of the looking-glass circle's border."},
    {PRIMARY_DEMUX_MODE, "", "How the input layer packs the two eyes (none, side-by-side, top-bottom, ...)."},
    {PRIMARY_DEMUX_CHANNEL, "", "Which of the input layer's packed eyes to use: both, or one of them."},
    {SECONDARY_LAYER, "", "The layer that supplies the second eye."},
    {SECONDARY_DEMUX_MODE, "", "How the second layer packs its picture."},
    {SECONDARY_DEMUX_CHANNEL, "", "Which packed eye of the second layer supplies the right eye."},
    {SECONDARY_FRAME_OFFSET, "frames", "Takes the second layer this many frames later (or earlier)."},
    {SWAP_LR, "", "Exchanges the left and right eyes."},
    {GRAYSCALE, "", "Turns both eyes grey before they are composed."},
    {INTERLACE_ODD, "", "Interlaced displays start with the right eye on the first line."},
    {AUTO_CROP, "", "Crops both eyes to the region they both cover after correction."},
    {AUTO_CENTER, "", "Centres the region both eyes cover."},
    {AUTO_SCALE, "", "Scales the region both eyes cover to the frame: fit, fill or stretch."},
    {FLIP_L_H, "", "Mirrors the left eye left to right."},
    {FLIP_L_V, "", "Mirrors the left eye top to bottom."},
    {FLIP_R_H, "", "Mirrors the right eye left to right."},
    {FLIP_R_V, "", "Mirrors the right eye top to bottom."},
    {CROP_RESET, "", "Restores all twelve crop values."},
    {CROP_WITH_AUTO, "", "Lets the manual crop take part in the automatic adjustment."},
    {XFORM_RESET_ALL, "", "Restores every transformation value and the field of view."},
    {MASTER_RESET, "", "Restores the master values."},
    {MASTER_HSHIFT_PCT, "%", "Moves both eyes horizontally, in percent of the eye width."},
    {MASTER_VSHIFT_PCT, "%", "Moves both eyes vertically, in percent of the eye height."},
    {MASTER_SCALE, "log2", "Scales both eyes, as a power of two (1 doubles the size)."},
    {FIELD_OF_VIEW, "°", "Field of view through which the keystones are seen, in degrees."},
    {COPY_PARAMS, "", "Copies every value to the clipboard file."},
    {PASTE_PARAMS, "", "Pastes the values from the clipboard file."},
};

// Crop sliders, in position order from CROP_B_LEFT: edge names and the eye they belong to.
ParamDoc cropDoc(int index) {
    static const char* const eyes[] = {"both eyes", "the left eye", "the right eye"};
    static const char* const edges[] = {
        "Crops from the left edge of %s, in percent of the eye width.",
        "Crops from the top edge of %s, in percent of the eye height.",
        "Right edge of %s's window, in percent of the eye width from the left (100: no crop).",
        "Bottom edge of %s's window, in percent of the eye height from the top (100: no crop).",
    };
    std::string text = edges[index % 4];
    text.replace(text.find("%s"), 2, eyes[index / 4]);
    return {"%", text};
}

std::string capitalised(std::string s) {
    if (!s.empty() && s[0] >= 'a' && s[0] <= 'z') s[0] = char(s[0] - 'a' + 'A');
    return s;
}

ParamDoc familyDoc(int family, int slot) {
    const FamilyDoc& f = kFamilyDocs[family];
    switch (slot) {
        case FAMILY_BOTH:
            return {f.unit, capitalised(f.what) +
                                (f.wholeBoth ? ": added to the left eye and taken from the right."
                                             : ": half to the left eye, half the other way to the right.")};
        case FAMILY_LEFT:
            return {f.unit, "The left eye's " + std::string(f.what) + "."};
        case FAMILY_RIGHT:
            return {f.unit, "The right eye's " + std::string(f.what) + "."};
        case FAMILY_RESET:
            return {"", "Restores this group's values."};
        default:
            return {"", ""};
    }
}

}  // namespace

ParamDoc paramDoc(ParamId id) {
    const int first = HSHIFT_PCT_GROUP;
    const int families = static_cast<int>(std::size(kFamilyDocs));
    if (id >= first && id < first + families * kFamilySize)
        return familyDoc((id - first) / kFamilySize, (id - first) % kFamilySize);
    if (id >= CROP_B_LEFT && id <= CROP_R_BOTTOM) {
        // Each eye's four sliders sit between its group's start and end markers.
        static_assert(CROP_L_LEFT - CROP_B_LEFT == 6 && CROP_R_LEFT - CROP_L_LEFT == 6);
        const int block = (id - CROP_B_LEFT) / 6;
        const int edge = (id - CROP_B_LEFT) % 6;
        if (edge < 4) return cropDoc(block * 4 + edge);
    }
    for (const Row& row : kRows)
        if (row.id == id) return {row.unit, row.description};
    return {"", ""};
}

}  // namespace duovis
