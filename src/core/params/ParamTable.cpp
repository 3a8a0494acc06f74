#include "core/params/ParamTable.h"

#include "core/params/Codes.h"
#include "core/params/ParamValues.h"

#include <cctype>
#include <cstddef>
#include <iterator>
#include <string>

namespace duovis {
namespace {

// Row builders: one per kind, so each row of the list reads as its kind and its own values.
// Depths are not written here; they follow from the group markers once the list is complete.
ParamDef entry(ParamId pos, const char* id, int32_t hostId, ParamKind kind, const char* name) {
    ParamDef d;
    d.position = pos;
    d.identifier = id;
    d.hostId = hostId;
    d.kind = kind;
    d.uiName = name;
    return d;
}

ParamDef group(ParamId pos, const char* id, int32_t hostId, const char* name) {
    return entry(pos, id, hostId, ParamKind::GroupStart, name);
}

ParamDef groupEnd(ParamId pos, const char* id, int32_t hostId) {
    return entry(pos, id, hostId, ParamKind::GroupEnd, "");
}

ParamDef button(ParamId pos, const char* id, int32_t hostId, const char* name, const char* label) {
    ParamDef d = entry(pos, id, hostId, ParamKind::Button, name);
    d.buttonLabel = label;
    return d;
}

ParamDef popup(ParamId pos, const char* id, int32_t hostId, const char* name, const char* choices, int count,
               int defaultChoice) {
    ParamDef d = entry(pos, id, hostId, ParamKind::Popup, name);
    d.choices = choices;
    d.choiceCount = count;
    d.validMin = 1;
    d.validMax = float(count);
    d.defaultValue = float(defaultChoice);
    return d;
}

ParamDef checkbox(ParamId pos, const char* id, int32_t hostId, const char* name, bool on) {
    ParamDef d = entry(pos, id, hostId, ParamKind::Checkbox, name);
    d.validMax = 1;
    d.defaultValue = on ? 1.0f : 0.0f;
    return d;
}

struct Range {
    float min, max;
};

// An entry whose value a render reads.
ParamDef rendered(ParamDef d) {
    d.readByRender = true;
    return d;
}

ParamDef slider(ParamId pos, const char* id, int32_t hostId, const char* name, Range valid, Range slide,
                float def, int precision) {
    ParamDef d = entry(pos, id, hostId, ParamKind::FloatSlider, name);
    d.validMin = valid.min;
    d.validMax = valid.max;
    d.sliderMin = slide.min;
    d.sliderMax = slide.max;
    d.defaultValue = def;
    d.precision = precision;
    return d;
}

// The twelve transformation families, each group / reset / Both / Left / Right / end. Names
// are stem + " Both" + unit etc., the group name stem + unit ("Horizontal Shift" + " %").
struct FamilyRow {
    ParamId group;
    const char* prefix;
    const char* stem;
    const char* unit;
    int32_t hostIds[kFamilySize];
    Range valid;
    Range slide;
    bool rendered;  // the pixel shifts only mirror the percent shifts, and no render reads them
};

#define FAMILY(prefix) prefix##_GROUP, #prefix
constexpr FamilyRow kFamilies[] = {
    {FAMILY(HSHIFT_PCT),
     "Horizontal Shift",
     " %",
     {391, 392, 51, 53, 54, 400},
     {-100, 100},
     {-100, 100},
     true},
    {FAMILY(VSHIFT_PCT), "Vertical Shift", " %", {401, 402, 60, 62, 63, 410}, {-100, 100}, {-100, 100}, true},
    {FAMILY(HSHIFT_PX),
     "Horizontal Shift",
     " Px",
     {411, 412, 56, 57, 58, 420},
     {-1920, 1920},
     {-480, 480},
     false},
    {FAMILY(VSHIFT_PX),
     "Vertical Shift",
     " Px",
     {421, 422, 65, 66, 67, 430},
     {-1080, 1080},
     {-480, 480},
     false},
    {FAMILY(SCALE), "Scale", "", {431, 432, 69, 71, 72, 440}, {-3, 3}, {-3, 3}, true},
    {FAMILY(HSCALE), "Horizontal Scale", "", {441, 442, 129, 131, 132, 450}, {-3, 3}, {-3, 3}, true},
    {FAMILY(VSCALE), "Vertical Scale", "", {451, 452, 134, 136, 137, 460}, {-3, 3}, {-3, 3}, true},
    {FAMILY(ROTATE), "Rotate", "", {461, 462, 74, 76, 77, 470}, {-360, 360}, {-360, 360}, true},
    {FAMILY(HSKEW), "Horizontal Skew", "", {471, 472, 79, 81, 82, 480}, {-75, 75}, {-75, 75}, true},
    {FAMILY(VSKEW), "Vertical Skew", "", {481, 482, 84, 86, 87, 490}, {-75, 75}, {-75, 75}, true},
    {FAMILY(HKEYSTONE), "Horizontal Keystone", "", {491, 492, 89, 91, 92, 500}, {-45, 45}, {-45, 45}, true},
    {FAMILY(VKEYSTONE), "Vertical Keystone", "", {501, 502, 94, 96, 97, 510}, {-45, 45}, {-45, 45}, true},
};
#undef FAMILY

#define DUOVIS_COUNT_FAMILY(prefix) +1
constexpr int kFamilyCount = 0 DUOVIS_XFORM_FAMILIES(DUOVIS_COUNT_FAMILY);
#undef DUOVIS_COUNT_FAMILY

constexpr bool familiesFollowPositions() {
    for (int i = 0; i < kFamilyCount; ++i) {
        if (kFamilies[i].group != HSHIFT_PCT_GROUP + i * kFamilySize) return false;
    }
    return true;
}
static_assert(std::size(kFamilies) == std::size_t(kFamilyCount), "one row per family position block");
static_assert(familiesFollowPositions(), "family rows in list order");

// The texts a family row expands to; they must outlive the table that points into them.
struct FamilyText {
    std::string ids[kFamilySize];
    std::string groupName, resetName, bothName, leftName, rightName;
};

const char* const kIdSuffix[kFamilySize] = {"_GROUP", "_RESET", "_B", "_L", "_R", "_GROUP_END"};

// A popup's choice string from the rows of a code table, so the names are kept in one place.
template <typename Row, std::size_t N>
std::string joinChoices(const Row (&rows)[N]) {
    std::string joined;
    for (std::size_t i = 0; i < N; ++i) {
        if (i > 0) joined += '|';
        joined += rows[i].name;
    }
    return joined;
}

#define ID(name) name, #name

struct Storage {
    std::string displayChoices;
    std::string demuxChoices;
    FamilyText family[kFamilyCount];
    ParamDefTable tables[2];

    Storage();
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;
};

Storage::Storage() {
    displayChoices = joinChoices(kDisplayTypes);
    demuxChoices = joinChoices(kDemuxModes);

    const Range pct{0, 100};
    const char* const demux = demuxChoices.c_str();
    ParamDefTable& t = tables[0];
    std::size_t n = 0;
    const auto add = [&](const ParamDef& d) {
        if (n < t.size()) t[n++] = d;
    };

    add(entry(ID(INPUT_LAYER), kNoHostId, ParamKind::InputLayer, ""));
    add(group(ID(ABOUT_GROUP), 200, "Pro, Corvant, Inc."));
    add(button(ID(ABOUT_BUTTON), 206, "About DuovisX", " About "));
    add(groupEnd(ID(ABOUT_GROUP_END), 207));
    add(button(ID(LAUNCH_TOOL), 208, "External Parallax Tool", "Launch Depthscope"));
    add(rendered(popup(ID(DISPLAY_TYPE), 5, "Display Type", displayChoices.c_str(), kDisplayTypeCount, 3)));
    add(group(ID(LG_GROUP), 530, "3D Looking Glass"));
    add(rendered(checkbox(ID(LG_ENABLE), 531, "Enable", false)));
    add(rendered(slider(ID(LG_CENTER_X), 532, "Center X (%)", pct, pct, 50, 0)));
    add(rendered(slider(ID(LG_CENTER_Y), 533, "Center Y (%)", pct, pct, 50, 0)));
    add(rendered(slider(ID(LG_RADIUS), 534, "Radius (%)", pct, pct, 50, 0)));
    add(rendered(popup(ID(LG_BORDER_COLOR), 535, "Border Color", "None|Red|Green|Blue", 4, 2)));
    add(groupEnd(ID(LG_GROUP_END), 536));
    add(button(ID(GLOBAL_DISPLAY_SWITCH), 300, "Global Display Switch", "Switch ON / OFF"));
    add(entry(ID(GLOBAL_DISPLAY_SETTINGS), 301, ParamKind::Color, "Global Display Settings"));
    add(group(ID(PRIMARY_GROUP), 302, "Primary Layer"));
    add(rendered(popup(ID(PRIMARY_DEMUX_MODE), 13, "Demux Mode", demux, kDemuxModeCount, 1)));
    add(rendered(
        popup(ID(PRIMARY_DEMUX_CHANNEL), 14, "Demux Channel", "Both|Left(Top)|Right(Bottom)", 3, 1)));
    add(groupEnd(ID(PRIMARY_GROUP_END), 310));
    add(group(ID(SECONDARY_GROUP), 311, "Secondary Layer"));
    add(entry(ID(SECONDARY_LAYER), 16, ParamKind::LayerChoice, "Choose Layer"));
    add(rendered(popup(ID(SECONDARY_DEMUX_MODE), 17, "Demux Mode", demux, kDemuxModeCount, 1)));
    // The secondary layer always supplies exactly one eye, so it has no "Both" choice.
    add(rendered(popup(ID(SECONDARY_DEMUX_CHANNEL), 18, "Demux Channel", "Left(Top)|Right(Bottom)", 2, 1)));
    add(rendered(slider(ID(SECONDARY_FRAME_OFFSET), 19, "Frame Offset", {-60, 60}, {-60, 60}, 0, 0)));
    add(groupEnd(ID(SECONDARY_GROUP_END), 320));
    add(group(ID(DISPLAY_GROUP), 321, "Display Parameters"));
    add(rendered(checkbox(ID(SWAP_LR), 8, "Swap Left and Right", false)));
    add(rendered(checkbox(ID(GRAYSCALE), 9, "Grayscale", false)));
    add(rendered(checkbox(ID(INTERLACE_ODD), 11, "Start Interlace on Odd", false)));
    add(groupEnd(ID(DISPLAY_GROUP_END), 330));
    add(group(ID(AUTO_GROUP), 331, "Auto Adjustment"));
    add(rendered(checkbox(ID(AUTO_CROP), 20, "Auto Crop", false)));
    add(rendered(checkbox(ID(AUTO_CENTER), 22, "Auto Center", false)));
    add(rendered(
        popup(ID(AUTO_SCALE), 21, "Auto Scale", "None|Scale-To-Fit|Scale-To-Fill|Stretch-To-Fill", 4, 1)));
    add(groupEnd(ID(AUTO_GROUP_END), 340));
    add(group(ID(FLIP_GROUP), 341, "Flip"));
    add(rendered(checkbox(ID(FLIP_L_H), 24, "Left Flip Horizontal", false)));
    add(rendered(checkbox(ID(FLIP_L_V), 25, "Left Flip Vertical", false)));
    add(rendered(checkbox(ID(FLIP_R_H), 27, "Right Flip Horizontal", false)));
    add(rendered(checkbox(ID(FLIP_R_V), 28, "Right Flip Vertical", false)));
    add(groupEnd(ID(FLIP_GROUP_END), 350));
    add(group(ID(CROP_GROUP), 351, "Crop"));
    add(button(ID(CROP_RESET), 352, "Reset All Crop", " Reset "));
    add(group(ID(CROP_B_GROUP), 353, "Crop Both"));
    add(rendered(slider(ID(CROP_B_LEFT), 31, "(B) Left(%)", pct, pct, 0, 2)));
    add(rendered(slider(ID(CROP_B_TOP), 32, "(B) Top(%)", pct, pct, 0, 2)));
    add(rendered(slider(ID(CROP_B_RIGHT), 33, "(B) Right(%)", pct, pct, 100, 2)));
    add(rendered(slider(ID(CROP_B_BOTTOM), 34, "(B) Bottom(%)", pct, pct, 100, 2)));
    add(groupEnd(ID(CROP_B_GROUP_END), 360));
    add(group(ID(CROP_L_GROUP), 361, "Crop Left"));
    add(rendered(slider(ID(CROP_L_LEFT), 36, "(L) Left(%)", pct, pct, 0, 2)));
    add(rendered(slider(ID(CROP_L_TOP), 37, "(L) Top(%)", pct, pct, 0, 2)));
    add(rendered(slider(ID(CROP_L_RIGHT), 38, "(L) Right(%)", pct, pct, 100, 2)));
    add(rendered(slider(ID(CROP_L_BOTTOM), 39, "(L) Bottom(%)", pct, pct, 100, 2)));
    add(groupEnd(ID(CROP_L_GROUP_END), 370));
    add(group(ID(CROP_R_GROUP), 371, "Crop Right"));
    add(rendered(slider(ID(CROP_R_LEFT), 41, "(R) Left(%)", pct, pct, 0, 2)));
    add(rendered(slider(ID(CROP_R_TOP), 42, "(R) Top(%)", pct, pct, 0, 2)));
    add(rendered(slider(ID(CROP_R_RIGHT), 43, "(R) Right(%)", pct, pct, 100, 2)));
    add(rendered(slider(ID(CROP_R_BOTTOM), 44, "(R) Bottom(%)", pct, pct, 100, 2)));
    add(groupEnd(ID(CROP_R_GROUP_END), 380));
    add(rendered(checkbox(ID(CROP_WITH_AUTO), 45, "Crop with Auto Adjustment", true)));
    add(groupEnd(ID(CROP_GROUP_END), 381));
    add(group(ID(XFORM_GROUP), 382, "Transformations"));
    add(button(ID(XFORM_RESET_ALL), 383, "Reset All Parameters", " Reset "));
    add(group(ID(MASTER_GROUP), 384, "Master"));
    add(button(ID(MASTER_RESET), 385, "Reset All Master", " Reset "));
    add(rendered(slider(ID(MASTER_HSHIFT_PCT), 47, "Horizontal Shift %", {-100, 100}, {-100, 100}, 0, 2)));
    add(rendered(slider(ID(MASTER_VSHIFT_PCT), 48, "Vertical Shift %", {-100, 100}, {-100, 100}, 0, 2)));
    add(rendered(slider(ID(MASTER_SCALE), 49, "Master Scale", {-3, 3}, {-3, 3}, 0, 2)));
    add(groupEnd(ID(MASTER_GROUP_END), 390));

    for (int f = 0; f < kFamilyCount; ++f) {
        const FamilyRow& row = kFamilies[f];
        FamilyText& text = family[f];
        for (int s = 0; s < kFamilySize; ++s) text.ids[s] = std::string(row.prefix) + kIdSuffix[s];
        text.groupName = std::string(row.stem) + row.unit;
        text.resetName = "Reset All " + text.groupName;
        text.bothName = std::string(row.stem) + " Both" + row.unit;
        text.leftName = std::string(row.stem) + " Left" + row.unit;
        text.rightName = std::string(row.stem) + " Right" + row.unit;

        const auto pos = [&](int slot) { return ParamId(row.group + slot); };
        const auto id = [&](int slot) { return text.ids[slot].c_str(); };
        const auto host = [&](int slot) { return row.hostIds[slot]; };
        add(group(pos(FAMILY_GROUP), id(FAMILY_GROUP), host(FAMILY_GROUP), text.groupName.c_str()));
        add(button(pos(FAMILY_RESET), id(FAMILY_RESET), host(FAMILY_RESET), text.resetName.c_str(),
                   " Reset "));
        const auto value = [&](int slot, const std::string& name) {
            ParamDef d = slider(pos(slot), id(slot), host(slot), name.c_str(), row.valid, row.slide, 0, 2);
            d.readByRender = row.rendered;
            return d;
        };
        add(value(FAMILY_BOTH, text.bothName));
        add(value(FAMILY_LEFT, text.leftName));
        add(value(FAMILY_RIGHT, text.rightName));
        add(groupEnd(pos(FAMILY_END), id(FAMILY_END), host(FAMILY_END)));
    }

    add(rendered(slider(ID(FIELD_OF_VIEW), 99, "Field of View", {1, 135}, {1, 135}, 25, 2)));
    add(groupEnd(ID(XFORM_GROUP_END), 520));
    add(button(ID(COPY_PARAMS), 521, "Copy Parameters", " Copy "));
    add(button(ID(PASTE_PARAMS), 522, "Paste Parameters", " Paste "));

    // Nesting level of every entry: what the group markers around it make it.
    int level = 0;
    for (ParamDef& d : t) {
        if (d.kind == ParamKind::GroupEnd) --level;
        d.depth = level;
        if (d.kind == ParamKind::GroupStart) ++level;
    }

    tables[1] = tables[0];
    tables[1][std::size_t(ABOUT_BUTTON)].uiName = "About Duovis";
}

#undef ID

const Storage& storage() {
    static const Storage s;
    return s;
}

char lower(char c) {
    return char(std::tolower(static_cast<unsigned char>(c)));
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

const ParamDefTable& paramTable(Deliverable deliverable) {
    return storage().tables[deliverable == Deliverable::Duovis ? 1 : 0];
}

const ParamDef& paramDef(ParamId id, Deliverable deliverable) {
    return paramTable(deliverable)[std::size_t(id)];
}

std::optional<ParamId> findParam(std::string_view identifier) {
    for (const ParamDef& d : paramTable()) {
        if (equalsIgnoringCase(identifier, d.identifier)) return d.position;
    }
    return std::nullopt;
}

ParamKind paramKindInHost(ParamId id, bool afterEffects) {
    if (id == GLOBAL_DISPLAY_SETTINGS && !afterEffects) return ParamKind::ArbitraryData;
    return paramDef(id).kind;
}

bool paramHiddenInHost(ParamId id, bool afterEffects) {
    if (id == LAUNCH_TOOL) return true;
    return afterEffects && (id == GLOBAL_DISPLAY_SWITCH || id == GLOBAL_DISPLAY_SETTINGS);
}

ParamValues ParamValues::defaults() {
    ParamValues v;
    for (const ParamDef& d : paramTable()) {
        const bool carriesValue =
            d.kind == ParamKind::Popup || d.kind == ParamKind::Checkbox || d.kind == ParamKind::FloatSlider;
        v.values[std::size_t(d.position)] = carriesValue ? double(d.defaultValue) : 0.0;
    }
    return v;
}

}  // namespace duovis
