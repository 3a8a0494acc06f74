#include "core/params/Codes.h"
#include "core/params/ParamRules.h"
#include "core/params/ParamValues.h"

#include <gtest/gtest.h>

namespace duovis {
namespace {

TEST(ParamRules, DemuxPopupMapsToSamplerCodes) {
    const std::pair<int, DemuxCode> cases[] = {
        {1, DEMUX_NONE},
        {2, DEMUX_SBS_HALF},
        {3, DEMUX_TB_HALF},
        {4, DEMUX_SBS_FULL},
        {5, DEMUX_TB_FULL},
        // Values a damaged project could carry fall back to no demultiplexing.
        {0, DEMUX_NONE},
        {6, DEMUX_NONE},
        {-3, DEMUX_NONE},
    };
    for (const auto& [popup, code] : cases) {
        EXPECT_EQ(demuxCodeFromPopup(popup), code) << "popup " << popup;
        ParamValues v = ParamValues::defaults();
        v[PRIMARY_DEMUX_MODE] = popup;
        v[SECONDARY_DEMUX_MODE] = popup == 2 ? 3 : 2;
        EXPECT_EQ(primaryDemuxCode(v), code);
        EXPECT_EQ(secondaryDemuxCode(v), popup == 2 ? DEMUX_TB_HALF : DEMUX_SBS_HALF);
    }
    // Zero-based choice i gives code 0, 1, 3, 2, 4: the middle pair is swapped.
    const int expected[] = {0, 1, 3, 2, 4};
    for (int i = 0; i < kDemuxModeCount; ++i) EXPECT_EQ(int(demuxCodeFromPopup(i + 1)), expected[i]);
}

struct FamilyCase {
    ParamId group;
    double share;
};

const FamilyCase kFamilies[] = {
    {HSHIFT_PCT_GROUP, 0.5}, {VSHIFT_PCT_GROUP, 0.5}, {HSHIFT_PX_GROUP, 0.5}, {VSHIFT_PX_GROUP, 0.5},
    {SCALE_GROUP, 1.0},      {HSCALE_GROUP, 1.0},     {VSCALE_GROUP, 1.0},    {ROTATE_GROUP, 0.5},
    {HSKEW_GROUP, 0.5},      {VSKEW_GROUP, 0.5},      {HKEYSTONE_GROUP, 0.5}, {VKEYSTONE_GROUP, 0.5},
};

class ParamRulesFamily : public ::testing::TestWithParam<FamilyCase> {};

TEST_P(ParamRulesFamily, LeftAddsAndRightSubtractsTheBothShare) {
    const FamilyCase& c = GetParam();
    ParamValues v = ParamValues::defaults();
    const auto slot = [&](int s) { return ParamId(int(c.group) + s); };
    v[slot(FAMILY_BOTH)] = 4.0;
    v[slot(FAMILY_LEFT)] = 1.5;
    v[slot(FAMILY_RIGHT)] = -0.25;
    EXPECT_DOUBLE_EQ(familyEyeTerm(v, c.group, Eye::Left), 1.5 + 4.0 * c.share);
    EXPECT_DOUBLE_EQ(familyEyeTerm(v, c.group, Eye::Right), -0.25 - 4.0 * c.share);
}

INSTANTIATE_TEST_SUITE_P(ParamAll, ParamRulesFamily, ::testing::ValuesIn(kFamilies));

TEST(ParamRules, BothSlidersSplitBetweenTheEyes) {
    ParamValues v = ParamValues::defaults();
    v[HSHIFT_PCT_B] = 10.0;
    EXPECT_DOUBLE_EQ(familyEyeTerm(v, HSHIFT_PCT_GROUP, Eye::Left), 5.0);
    EXPECT_DOUBLE_EQ(familyEyeTerm(v, HSHIFT_PCT_GROUP, Eye::Right), -5.0);
    v = ParamValues::defaults();
    v[SCALE_B] = 1.0;
    EXPECT_DOUBLE_EQ(familyEyeTerm(v, SCALE_GROUP, Eye::Left), 1.0);    // factor 2
    EXPECT_DOUBLE_EQ(familyEyeTerm(v, SCALE_GROUP, Eye::Right), -1.0);  // factor 0.5
    // Another family's sliders do not leak in.
    EXPECT_DOUBLE_EQ(familyEyeTerm(v, HSCALE_GROUP, Eye::Left), 0.0);
}

TEST(ParamRules, CropWindowSumsBothAndOwnSliders) {
    ParamValues v = ParamValues::defaults();
    v[CROP_B_RIGHT] = 90.0;
    v[CROP_L_RIGHT] = 95.0;
    v[CROP_B_LEFT] = 10.0;
    v[CROP_R_LEFT] = 5.0;
    v[CROP_B_TOP] = 2.0;
    v[CROP_L_TOP] = 3.0;
    v[CROP_R_BOTTOM] = 80.0;
    const CropPercent l = cropWindow(v, Eye::Left);
    const CropPercent r = cropWindow(v, Eye::Right);
    EXPECT_FLOAT_EQ(l.left, 10.0f);
    EXPECT_FLOAT_EQ(l.top, 5.0f);
    EXPECT_FLOAT_EQ(l.right, 85.0f);
    EXPECT_FLOAT_EQ(l.bottom, 100.0f);
    EXPECT_FLOAT_EQ(r.left, 15.0f);
    EXPECT_FLOAT_EQ(r.top, 2.0f);
    EXPECT_FLOAT_EQ(r.right, 90.0f);
    EXPECT_FLOAT_EQ(r.bottom, 80.0f);
}

TEST(ParamRules, ChannelCodesAreZeroBasedAndStayInRange) {
    struct Case {
        int popup, primary, secondary;
    };
    const Case cases[] = {{1, 0, 0}, {2, 1, 1}, {3, 2, 1}, {0, 0, 0}, {9, 2, 1}};
    for (const Case& c : cases) {
        ParamValues v = ParamValues::defaults();
        v[PRIMARY_DEMUX_CHANNEL] = c.popup;
        v[SECONDARY_DEMUX_CHANNEL] = c.popup;
        EXPECT_EQ(primaryChannelCode(v), c.primary) << "popup " << c.popup;
        EXPECT_EQ(secondaryChannelCode(v), c.secondary) << "popup " << c.popup;
    }
}

TEST(ParamRules, ParallaxAlternatesOverSevenFrames) {
    const std::pair<int32_t, bool> cases[] = {{0, true}, {3, true},   {4, false}, {6, false},
                                              {7, true}, {11, false}, {-1, true}, {-6, true}};
    for (const auto& [frame, left] : cases) {
        EXPECT_EQ(parallaxShowsLeft(frame), left) << "frame " << frame;
        EXPECT_EQ(parallaxPhaseCode(frame), left ? DISPLAY_PARALLAX_LEFT : DISPLAY_PARALLAX_RIGHT);
    }
}

TEST(ParamRules, DisplayCodesAndOutputFactors) {
    EXPECT_TRUE(isDisplayTypeCode(DISPLAY_LEFT));
    EXPECT_TRUE(isDisplayTypeCode(DISPLAY_PARALLAX));
    EXPECT_FALSE(isDisplayTypeCode(-1));
    EXPECT_FALSE(isDisplayTypeCode(DISPLAY_PARALLAX_LEFT));
    for (int code = 0; code < kDisplayTypeCount; ++code) {
        const int w = code == DISPLAY_SBS_FULL ? 2 : 1;
        const int h = code == DISPLAY_TB_FULL ? 2 : 1;
        EXPECT_EQ(kDisplayTypes[code].widthFactor, w) << code;
        EXPECT_EQ(kDisplayTypes[code].heightFactor, h) << code;
        EXPECT_EQ(forcesGrayscale(code), code == DISPLAY_ANAGLYPH_GRAY) << code;
    }
}

}  // namespace
}  // namespace duovis
