// The effect's parameters as engine properties: names, values and the shift twins.
#include "core/params/Codes.h"
#include "core/params/ParamTable.h"
#include "engine/EngineParams.h"
#include "engine/ShiftTwins.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace duovis::engine {
namespace {

TEST(EngineParams, NamesFollowTheIdentifiersAndRoundTrip) {
    EXPECT_EQ(propertyName(VSHIFT_PCT_R, '_'), "vshift_pct_r");
    EXPECT_EQ(propertyName(PRIMARY_DEMUX_MODE, '-'), "primary-demux-mode");
    for (char separator : {'_', '-'}) {
        for (ParamId id : engineParams()) {
            const std::string name = propertyName(id, separator);
            ASSERT_EQ(paramForProperty(name, separator), id) << name;
        }
    }
    // Entries a render never reads, and the frame offset the engines cannot honour, are not offered.
    for (const char* absent : {"about_button", "launch_tool", "global_display_switch", "secondary_layer",
                               "secondary_frame_offset", "vshift_pct_reset", "vshift-pct-r", "VSHIFT_PCT_R"})
        EXPECT_FALSE(paramForProperty(absent, '_')) << absent;
}

TEST(EngineParams, EveryRenderedValueIsOfferedAndOnlySlidersAnimate) {
    for (const ParamDef& d : paramTable()) {
        const bool valued =
            d.kind == ParamKind::Popup || d.kind == ParamKind::Checkbox || d.kind == ParamKind::FloatSlider;
        if (valued && d.readByRender && d.position != SECONDARY_FRAME_OFFSET) {
            EXPECT_TRUE(paramForProperty(propertyName(d.position, '_'), '_')) << d.identifier;
        }
    }
    EXPECT_TRUE(paramForProperty("vshift_px_r", '_'));  // the pixel twin, for the shift rule
    EXPECT_TRUE(isAnimatable(VSHIFT_PCT_R));
    EXPECT_FALSE(isAnimatable(DISPLAY_TYPE));
    EXPECT_FALSE(isAnimatable(AUTO_CROP));
}

struct ParseCase {
    ParamId id;
    std::string text;
    double value;  // NAN: refused
};

TEST(EngineParams, ParsesValuesInTheEffectsUnits) {
    const ParseCase cases[] = {
        {DISPLAY_TYPE, "1", 1},
        {DISPLAY_TYPE, "14", 14},
        {DISPLAY_TYPE, kDisplayTypes[4].name, 5},
        {DISPLAY_TYPE, "0", NAN},
        {DISPLAY_TYPE, "15", NAN},
        {DISPLAY_TYPE, "2.5", NAN},
        {DISPLAY_TYPE, "", NAN},
        {LG_BORDER_COLOR, "Blue", 4},
        {LG_BORDER_COLOR, "blue", NAN},  // choice texts are exact
        {AUTO_CROP, "1", 1},
        {AUTO_CROP, "0", 0},
        {AUTO_CROP, "yes", NAN},
        {AUTO_CROP, "2", NAN},
        {VSHIFT_PCT_R, "-5", -5},
        {VSHIFT_PCT_R, "2.25", 2.25},
        {VSHIFT_PCT_R, "1e3", NAN},
        {VSHIFT_PCT_R, "5px", NAN},
        {VSHIFT_PCT_R, "nan", NAN},
        {VSHIFT_PCT_R, "inf", NAN},
        {FIELD_OF_VIEW, "0.5", NAN},
        {FIELD_OF_VIEW, "135", 135},
    };
    for (const ParseCase& c : cases) {
        const PropertyValue got = parsePropertyValue(c.id, c.text, '_');
        if (std::isnan(c.value)) {
            EXPECT_FALSE(got.value) << c.text;
            // One line that names the property.
            EXPECT_EQ(got.error.rfind(propertyName(c.id, '_') + ": ", 0), 0u) << got.error;
            EXPECT_EQ(got.error.find('\n'), std::string::npos);
        } else {
            ASSERT_TRUE(got.value) << c.text << ": " << got.error;
            EXPECT_EQ(*got.value, c.value) << c.text;
        }
    }
    EXPECT_FALSE(checkSliderValue(LG_RADIUS, -0.001, '-').value);
    EXPECT_EQ(checkSliderValue(LG_RADIUS, 100, '-').value, 100.0);
}

struct TwinCase {
    const char* what;
    ParamId set;
    double value;
    ParamId percent;  // also set to `percentValue` beforehand when not zero
    double percentValue;
    int demuxPopup;
    double wantPercent;
};

TEST(EngineParams, PixelShiftsMoveTheEyeByThatManyPixels) {
    const double eps = 1e-4;
    const TwinCase cases[] = {
        {"vertical of the height", VSHIFT_PX_R, 10, VSHIFT_PCT_R, 0, 1, 10},
        {"horizontal of the width", HSHIFT_PX_L, -50, HSHIFT_PCT_L, 0, 1, -25},
        {"both slider", HSHIFT_PX_B, 20, HSHIFT_PCT_B, 0, 1, 10},
        {"a set percent wins", VSHIFT_PX_R, 10, VSHIFT_PCT_R, 3, 1, 3},
        {"pinned to the percent range", HSHIFT_PX_R, 1000, HSHIFT_PCT_R, 0, 1, 100},
    };
    for (const TwinCase& c : cases) {
        ParamValues v = ParamValues::defaults();
        v[PRIMARY_DEMUX_MODE] = c.demuxPopup;
        v[c.set] = c.value;
        v[c.percent] = c.percentValue;
        applyPixelShifts(v, 200, 100);
        EXPECT_NEAR(v[c.percent], c.wantPercent, eps) << c.what;
    }
    // A full-size side-by-side primary halves the width the horizontal shifts measure.
    for (int popup = 1; popup <= kDemuxModeCount; ++popup) {
        ParamValues v = ParamValues::defaults();
        v[PRIMARY_DEMUX_MODE] = popup;
        v[HSHIFT_PX_R] = 10;
        applyPixelShifts(v, 200, 100);
        const bool halvesWidth = kDemuxModes[popup - 1].code == DEMUX_SBS_FULL;
        EXPECT_NEAR(v[HSHIFT_PCT_R], halvesWidth ? 10 : 5, eps) << kDemuxModes[popup - 1].name;
    }
}

}  // namespace
}  // namespace duovis::engine
