#include "core/params/ParamRules.h"
#include "core/params/ParamTable.h"
#include "core/params/ParamValues.h"
#include "core/params/ResetGroups.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace duovis {
namespace {

constexpr Deliverable kBoth[] = {Deliverable::DuovisX, Deliverable::Duovis};

TEST(ParamTable, EveryPositionHoldsItsOwnEntry) {
    for (Deliverable d : kBoth) {
        const auto& t = paramTable(d);
        for (int i = 0; i < PARAM_COUNT; ++i) {
            EXPECT_EQ(t[std::size_t(i)].position, i);
            EXPECT_GT(std::strlen(t[std::size_t(i)].identifier), 0u) << "position " << i;
        }
    }
}

TEST(ParamTable, HostIdsAreUniqueAndSetForRegisteredEntries) {
    std::set<int32_t> seen;
    for (const ParamDef& d : paramTable()) {
        if (d.position == INPUT_LAYER) continue;
        EXPECT_NE(d.hostId, kNoHostId) << d.identifier;
        EXPECT_TRUE(seen.insert(d.hostId).second) << "host id " << d.hostId << " again at " << d.identifier;
    }
    EXPECT_EQ(seen.size(), std::size_t(PARAM_COUNT - 1));
}

TEST(ParamTable, GroupsBalanceAndDepthFollowsNesting) {
    std::vector<ParamId> open;
    for (const ParamDef& d : paramTable()) {
        if (d.kind == ParamKind::GroupEnd) {
            ASSERT_FALSE(open.empty()) << d.identifier << " closes nothing";
            // An end belongs to the group whose identifier it extends.
            const std::string start = paramDef(open.back()).identifier;
            EXPECT_EQ(std::string(d.identifier), start + "_END");
            open.pop_back();
        }
        EXPECT_EQ(d.depth, int(open.size())) << d.identifier;
        if (d.kind == ParamKind::GroupStart) open.push_back(d.position);
    }
    EXPECT_TRUE(open.empty());
}

// Rows whose fields a generation or ordering slip would change.
struct RowCase {
    ParamId pos;
    const char* identifier;
    int32_t hostId;
    ParamKind kind;
    const char* uiName;
    int depth;
};

const RowCase kRows[] = {
    {ABOUT_GROUP, "ABOUT_GROUP", 200, ParamKind::GroupStart, "Pro, Corvant, Inc.", 0},
    {LAUNCH_TOOL, "LAUNCH_TOOL", 208, ParamKind::Button, "External Parallax Tool", 0},
    {DISPLAY_TYPE, "DISPLAY_TYPE", 5, ParamKind::Popup, "Display Type", 0},
    {LG_RADIUS, "LG_RADIUS", 534, ParamKind::FloatSlider, "Radius (%)", 1},
    {GLOBAL_DISPLAY_SETTINGS, "GLOBAL_DISPLAY_SETTINGS", 301, ParamKind::Color, "Global Display Settings", 0},
    {SECONDARY_LAYER, "SECONDARY_LAYER", 16, ParamKind::LayerChoice, "Choose Layer", 1},
    {AUTO_SCALE, "AUTO_SCALE", 21, ParamKind::Popup, "Auto Scale", 1},
    {CROP_B_GROUP, "CROP_B_GROUP", 353, ParamKind::GroupStart, "Crop Both", 1},
    {CROP_B_LEFT, "CROP_B_LEFT", 31, ParamKind::FloatSlider, "(B) Left(%)", 2},
    {CROP_R_BOTTOM, "CROP_R_BOTTOM", 44, ParamKind::FloatSlider, "(R) Bottom(%)", 2},
    {CROP_WITH_AUTO, "CROP_WITH_AUTO", 45, ParamKind::Checkbox, "Crop with Auto Adjustment", 1},
    {XFORM_RESET_ALL, "XFORM_RESET_ALL", 383, ParamKind::Button, "Reset All Parameters", 1},
    {MASTER_SCALE, "MASTER_SCALE", 49, ParamKind::FloatSlider, "Master Scale", 2},
    {ParamId(71), "HSHIFT_PCT_GROUP", 391, ParamKind::GroupStart, "Horizontal Shift %", 1},
    {ParamId(72), "HSHIFT_PCT_RESET", 392, ParamKind::Button, "Reset All Horizontal Shift %", 2},
    {ParamId(73), "HSHIFT_PCT_B", 51, ParamKind::FloatSlider, "Horizontal Shift Both %", 2},
    {ParamId(87), "HSHIFT_PX_R", 58, ParamKind::FloatSlider, "Horizontal Shift Right Px", 2},
    {ParamId(94), "VSHIFT_PX_GROUP_END", 430, ParamKind::GroupEnd, "", 1},
    {ParamId(98), "SCALE_L", 71, ParamKind::FloatSlider, "Scale Left", 2},
    {ParamId(107), "VSCALE_GROUP", 451, ParamKind::GroupStart, "Vertical Scale", 1},
    {ParamId(115), "ROTATE_B", 74, ParamKind::FloatSlider, "Rotate Both", 2},
    {ParamId(138), "VKEYSTONE_RESET", 502, ParamKind::Button, "Reset All Vertical Keystone", 2},
    {ParamId(142), "VKEYSTONE_GROUP_END", 510, ParamKind::GroupEnd, "", 1},
    {ParamId(143), "FIELD_OF_VIEW", 99, ParamKind::FloatSlider, "Field of View", 1},
    {ParamId(144), "XFORM_GROUP_END", 520, ParamKind::GroupEnd, "", 0},
    {ParamId(146), "PASTE_PARAMS", 522, ParamKind::Button, "Paste Parameters", 0},
};

class ParamTableRow : public ::testing::TestWithParam<RowCase> {};

TEST_P(ParamTableRow, MatchesTheList) {
    const RowCase& c = GetParam();
    const ParamDef& d = paramDef(c.pos);
    EXPECT_STREQ(d.identifier, c.identifier);
    EXPECT_EQ(d.hostId, c.hostId);
    EXPECT_EQ(d.kind, c.kind);
    EXPECT_STREQ(d.uiName, c.uiName);
    EXPECT_EQ(d.depth, c.depth);
}

INSTANTIATE_TEST_SUITE_P(ParamSpots, ParamTableRow, ::testing::ValuesIn(kRows));

struct SliderCase {
    ParamId pos;
    float validMin, validMax, sliderMin, sliderMax, def;
    int precision;
};

const SliderCase kSliders[] = {
    {LG_CENTER_X, 0, 100, 0, 100, 50, 0},
    {SECONDARY_FRAME_OFFSET, -60, 60, -60, 60, 0, 0},
    {CROP_B_RIGHT, 0, 100, 0, 100, 100, 2},
    {CROP_L_TOP, 0, 100, 0, 100, 0, 2},
    {MASTER_HSHIFT_PCT, -100, 100, -100, 100, 0, 2},
    {VSHIFT_PCT_L, -100, 100, -100, 100, 0, 2},
    {HSHIFT_PX_B, -1920, 1920, -480, 480, 0, 2},
    {HSHIFT_PX_R, -1920, 1920, -480, 480, 0, 2},
    {VSHIFT_PX_L, -1080, 1080, -480, 480, 0, 2},
    {HSCALE_R, -3, 3, -3, 3, 0, 2},
    {ROTATE_L, -360, 360, -360, 360, 0, 2},
    {VSKEW_B, -75, 75, -75, 75, 0, 2},
    {HKEYSTONE_R, -45, 45, -45, 45, 0, 2},
    {FIELD_OF_VIEW, 1, 135, 1, 135, 25, 2},
};

class ParamTableSlider : public ::testing::TestWithParam<SliderCase> {};

TEST_P(ParamTableSlider, RangesDefaultAndPrecision) {
    const SliderCase& c = GetParam();
    const ParamDef& d = paramDef(c.pos);
    EXPECT_EQ(d.kind, ParamKind::FloatSlider);
    EXPECT_EQ(d.validMin, c.validMin);
    EXPECT_EQ(d.validMax, c.validMax);
    EXPECT_EQ(d.sliderMin, c.sliderMin);
    EXPECT_EQ(d.sliderMax, c.sliderMax);
    EXPECT_EQ(d.defaultValue, c.def);
    EXPECT_EQ(d.precision, c.precision);
}

INSTANTIATE_TEST_SUITE_P(ParamSpots, ParamTableSlider, ::testing::ValuesIn(kSliders));

struct PopupCase {
    ParamId pos;
    const char* choices;
    int count;
    int def;
};

const PopupCase kPopups[] = {
    {DISPLAY_TYPE,
     "Left|Right|Side-By-Side(50%)|Side-By-Side(100%)|Top-Bottom(50%)|Top-Bottom(100%)|Line Interlaced|"
     "Anaglyph (Red/Cyan)|Anaglyph (Optimized)|Anaglyph (Grayscale)|Onion Skin (50-50)|Difference Map|"
     "Checkerboard|Corvant Parallax",
     14, 3},
    {LG_BORDER_COLOR, "None|Red|Green|Blue", 4, 2},
    {PRIMARY_DEMUX_MODE, "None|Side-By-Side(50%)|Top-Bottom(50%)|Side-By-Side(100%)|Top-Bottom(100%)", 5, 1},
    {PRIMARY_DEMUX_CHANNEL, "Both|Left(Top)|Right(Bottom)", 3, 1},
    {SECONDARY_DEMUX_MODE, "None|Side-By-Side(50%)|Top-Bottom(50%)|Side-By-Side(100%)|Top-Bottom(100%)", 5,
     1},
    {SECONDARY_DEMUX_CHANNEL, "Left(Top)|Right(Bottom)", 2, 1},
    {AUTO_SCALE, "None|Scale-To-Fit|Scale-To-Fill|Stretch-To-Fill", 4, 1},
};

class ParamTablePopup : public ::testing::TestWithParam<PopupCase> {};

TEST_P(ParamTablePopup, ChoicesCountAndDefault) {
    const PopupCase& c = GetParam();
    const ParamDef& d = paramDef(c.pos);
    EXPECT_EQ(d.kind, ParamKind::Popup);
    EXPECT_STREQ(d.choices, c.choices);
    EXPECT_EQ(d.choiceCount, c.count);
    EXPECT_EQ(d.defaultValue, float(c.def));
}

INSTANTIATE_TEST_SUITE_P(ParamAll, ParamTablePopup, ::testing::ValuesIn(kPopups));

TEST(ParamTable, EveryPopupCountsItsChoices) {
    for (const ParamDef& d : paramTable()) {
        if (d.kind != ParamKind::Popup) continue;
        const std::string s = d.choices;
        EXPECT_EQ(int(std::count(s.begin(), s.end(), '|')) + 1, d.choiceCount) << d.identifier;
        EXPECT_GE(d.defaultValue, 1.0f);
        EXPECT_LE(d.defaultValue, float(d.choiceCount));
    }
}

TEST(ParamTable, ButtonLabels) {
    const std::pair<ParamId, const char*> labels[] = {
        {ABOUT_BUTTON, " About "},
        {LAUNCH_TOOL, "Launch Depthscope"},
        {GLOBAL_DISPLAY_SWITCH, "Switch ON / OFF"},
        {CROP_RESET, " Reset "},
        {XFORM_RESET_ALL, " Reset "},
        {MASTER_RESET, " Reset "},
        {VSHIFT_PX_RESET, " Reset "},
        {COPY_PARAMS, " Copy "},
        {PASTE_PARAMS, " Paste "},
    };
    for (const auto& [pos, label] : labels) EXPECT_STREQ(paramDef(pos).buttonLabel, label) << pos;
    int buttons = 0;
    for (const ParamDef& d : paramTable()) buttons += d.kind == ParamKind::Button;
    EXPECT_EQ(buttons, 20);  // About, tool, switch, copy, paste and fifteen resets
}

TEST(ParamTable, UiNamesFitTheHostAndOnlyEndsAreUnnamed) {
    for (Deliverable dl : kBoth) {
        for (const ParamDef& d : paramTable(dl)) {
            const std::size_t len = std::strlen(d.uiName);
            EXPECT_LE(len, std::size_t(kMaxUiNameLength)) << d.identifier;
            const bool unnamed = d.kind == ParamKind::GroupEnd || d.kind == ParamKind::InputLayer;
            EXPECT_EQ(len == 0, unnamed) << d.identifier;
        }
    }
}

TEST(ParamTable, DeliverablesDifferOnlyInTheAboutName) {
    EXPECT_STREQ(paramDef(ABOUT_BUTTON, Deliverable::DuovisX).uiName, "About DuovisX");
    EXPECT_STREQ(paramDef(ABOUT_BUTTON, Deliverable::Duovis).uiName, "About Duovis");
    for (int i = 0; i < PARAM_COUNT; ++i) {
        if (i == ABOUT_BUTTON) continue;
        const ParamDef& a = paramDef(ParamId(i), Deliverable::DuovisX);
        const ParamDef& b = paramDef(ParamId(i), Deliverable::Duovis);
        EXPECT_STREQ(a.uiName, b.uiName);
        EXPECT_EQ(a.hostId, b.hostId);
        EXPECT_EQ(a.kind, b.kind);
    }
}

TEST(ParamTable, HostFormsOfTheGlobalDisplayEntries) {
    EXPECT_EQ(paramKindInHost(GLOBAL_DISPLAY_SETTINGS, true), ParamKind::Color);
    EXPECT_EQ(paramKindInHost(GLOBAL_DISPLAY_SETTINGS, false), ParamKind::ArbitraryData);
    for (bool ae : {true, false}) {
        EXPECT_EQ(paramKindInHost(GLOBAL_DISPLAY_SWITCH, ae), ParamKind::Button);
        EXPECT_TRUE(paramHiddenInHost(LAUNCH_TOOL, ae));
        EXPECT_EQ(paramHiddenInHost(GLOBAL_DISPLAY_SWITCH, ae), ae);
        EXPECT_EQ(paramHiddenInHost(GLOBAL_DISPLAY_SETTINGS, ae), ae);
    }
    // Everything else keeps one form and stays visible.
    for (int i = 0; i < PARAM_COUNT; ++i) {
        const auto id = ParamId(i);
        if (id == LAUNCH_TOOL || id == GLOBAL_DISPLAY_SWITCH || id == GLOBAL_DISPLAY_SETTINGS) continue;
        EXPECT_EQ(paramKindInHost(id, false), paramDef(id).kind);
        EXPECT_FALSE(paramHiddenInHost(id, true) || paramHiddenInHost(id, false)) << i;
    }
}

TEST(ParamTable, FindParamIgnoresCaseAndFindsEveryEntry) {
    EXPECT_EQ(findParam("hshift_pct_b"), HSHIFT_PCT_B);
    EXPECT_EQ(findParam("Field_Of_View"), FIELD_OF_VIEW);
    EXPECT_EQ(findParam("VKEYSTONE_GROUP_END"), VKEYSTONE_GROUP_END);
    for (const char* missing : {"", "HSHIFT_PCT", "hshift_pct_b ", "SCALE_X", "FIELD_OF_VIEWS"}) {
        EXPECT_FALSE(findParam(missing).has_value()) << '"' << missing << '"';
    }
    // Identifiers are unique: each one, lower-cased, leads back to its own position.
    for (const ParamDef& d : paramTable()) {
        std::string lowered = d.identifier;
        for (char& ch : lowered) ch = char(std::tolower(static_cast<unsigned char>(ch)));
        EXPECT_EQ(findParam(lowered), d.position) << d.identifier;
    }
}

TEST(ParamTable, FreshInstanceDefaults) {
    const ParamValues v = ParamValues::defaults();
    EXPECT_EQ(v.integer(DISPLAY_TYPE), 3);
    EXPECT_EQ(v.integer(LG_BORDER_COLOR), 2);
    EXPECT_FALSE(v.on(LG_ENABLE));
    EXPECT_EQ(v[LG_CENTER_Y], 50.0);
    EXPECT_EQ(v.integer(PRIMARY_DEMUX_MODE), 1);
    EXPECT_EQ(v.integer(SECONDARY_DEMUX_MODE), 1);
    EXPECT_EQ(primaryChannelCode(v), 0);    // "Both"
    EXPECT_EQ(secondaryChannelCode(v), 0);  // "Left(Top)"
    EXPECT_EQ(v.integer(AUTO_SCALE), 1);
    EXPECT_TRUE(v.on(CROP_WITH_AUTO));
    for (Eye eye : {Eye::Left, Eye::Right}) {
        const CropPercent c = cropWindow(v, eye);
        EXPECT_EQ(c.left, 0.0f);
        EXPECT_EQ(c.top, 0.0f);
        EXPECT_EQ(c.right, 100.0f);
        EXPECT_EQ(c.bottom, 100.0f);
    }
    EXPECT_EQ(v[FIELD_OF_VIEW], 25.0);
    for (int p = MASTER_HSHIFT_PCT; p < FIELD_OF_VIEW; ++p) EXPECT_EQ(v.values[std::size_t(p)], 0.0) << p;
    // Entries without a value stay 0.
    for (const ParamDef& d : paramTable()) {
        if (d.kind == ParamKind::Button || d.kind == ParamKind::GroupStart || d.kind == ParamKind::GroupEnd) {
            EXPECT_EQ(v[d.position], 0.0) << d.identifier;
        }
    }
}

// Restored positions per reset button, as closed ranges.
struct ResetCase {
    ParamId button;
    std::vector<std::pair<int, int>> ranges;
};

const ResetCase kResets[] = {
    {CROP_RESET, {{44, 47}, {50, 53}, {56, 59}}},
    {XFORM_RESET_ALL,
     {{67, 69},
      {73, 75},
      {79, 81},
      {85, 87},
      {91, 93},
      {97, 99},
      {103, 105},
      {109, 111},
      {115, 117},
      {121, 123},
      {127, 129},
      {133, 135},
      {139, 141},
      {143, 143}}},
    {MASTER_RESET, {{67, 69}}},
    {ParamId(72), {{73, 75}, {85, 87}}},
    {ParamId(78), {{79, 81}, {91, 93}}},
    {ParamId(84), {{73, 75}, {85, 87}}},
    {ParamId(90), {{79, 81}, {91, 93}}},
    {ParamId(96), {{97, 99}}},
    {ParamId(102), {{103, 105}}},
    {ParamId(108), {{109, 111}}},
    {ParamId(114), {{115, 117}}},
    {ParamId(120), {{121, 123}}},
    {ParamId(126), {{127, 129}}},
    {ParamId(132), {{133, 135}}},
    {ParamId(138), {{139, 141}}},
};

TEST(ParamResetGroups, EachButtonRestoresItsTable) {
    std::set<int> buttons;
    for (const ResetCase& c : kResets) {
        std::vector<ParamId> expected;
        for (const auto& [first, last] : c.ranges) {
            for (int p = first; p <= last; ++p) expected.push_back(ParamId(p));
        }
        EXPECT_EQ(resetTargets(c.button), expected) << "button " << c.button;
        buttons.insert(c.button);
    }
    for (int p = 0; p < PARAM_COUNT; ++p) {
        if (!buttons.count(p)) {
            EXPECT_TRUE(resetTargets(ParamId(p)).empty()) << p;
        }
    }
}

struct TwinCase {
    ParamId percent, pixel;
    ShiftAxis axis;
};

const TwinCase kTwins[] = {
    {HSHIFT_PCT_B, HSHIFT_PX_B, ShiftAxis::Horizontal}, {HSHIFT_PCT_L, HSHIFT_PX_L, ShiftAxis::Horizontal},
    {HSHIFT_PCT_R, HSHIFT_PX_R, ShiftAxis::Horizontal}, {VSHIFT_PCT_B, VSHIFT_PX_B, ShiftAxis::Vertical},
    {VSHIFT_PCT_L, VSHIFT_PX_L, ShiftAxis::Vertical},   {VSHIFT_PCT_R, VSHIFT_PX_R, ShiftAxis::Vertical},
};

TEST(ParamShiftTwins, PairsWorkBothWays) {
    for (const TwinCase& c : kTwins) {
        const auto fromPct = shiftTwin(c.percent);
        ASSERT_TRUE(fromPct.has_value()) << c.percent;
        EXPECT_EQ(fromPct->twin, c.pixel);
        EXPECT_EQ(fromPct->axis, c.axis);
        EXPECT_TRUE(fromPct->fromPercent);
        const auto fromPx = shiftTwin(c.pixel);
        ASSERT_TRUE(fromPx.has_value()) << c.pixel;
        EXPECT_EQ(fromPx->twin, c.percent);
        EXPECT_EQ(fromPx->axis, c.axis);
        EXPECT_FALSE(fromPx->fromPercent);
    }
    int paired = 0;
    for (int p = 0; p < PARAM_COUNT; ++p) paired += shiftTwin(ParamId(p)).has_value();
    EXPECT_EQ(paired, 12);  // the Master shifts, groups and resets have no twin
}

}  // namespace
}  // namespace duovis
