#include "core/frame/AutoAdjust.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>

namespace duovis {
namespace {

constexpr EyeSize kHd{1920, 1080};

EyeTransform shifted(double dx, double scaleExpX = 0, double scaleExpY = 0) {
    EyeTransformParams p;
    p.shiftX = dx;
    p.scaleExpX = scaleExpX;
    p.scaleExpY = scaleExpY;
    return forwardEyeTransform(p, 960, 540, focalDistance(1920, 25));
}

// A matrix whose w is 0 everywhere: every corner lands at infinity.
EyeTransform atInfinity() {
    EyeTransform t;
    t.m33 = 0;
    return t;
}

ParamValues switches(int crop, int center, int scalePopup) {
    ParamValues v = ParamValues::defaults();
    v[AUTO_CROP] = crop;
    v[AUTO_CENTER] = center;
    v[AUTO_SCALE] = scalePopup;
    return v;
}

struct Expect {
    float left, top, right, bottom;
    double scaleX, scaleY, centerX, centerY;
};

void expectResult(const AutoAdjustResult& r, const Expect& e) {
    EXPECT_NEAR(r.cropLeft, e.left, 1e-3);
    EXPECT_NEAR(r.cropTop, e.top, 1e-3);
    EXPECT_NEAR(r.cropRight, e.right, 1e-3);
    EXPECT_NEAR(r.cropBottom, e.bottom, 1e-3);
    EXPECT_DOUBLE_EQ(r.scaleX, e.scaleX);
    EXPECT_DOUBLE_EQ(r.scaleY, e.scaleY);
    EXPECT_NEAR(r.centerX, e.centerX, 1e-3);
    EXPECT_NEAR(r.centerY, e.centerY, 1e-3);
}

const double kFill = double(1920.0f / 1820.0f);
const double kTenNinths = double(1920.0f / 1728.0f);

struct AdjustCase {
    const char* name;
    ParamValues values;
    EyeSize eye;
    EyeTransform left, right;
    Expect expected;
};

ParamValues withCropLeft(ParamValues v, double cropLeft, bool cropWithAuto) {
    v[CROP_B_LEFT] = cropLeft;
    v[CROP_WITH_AUTO] = cropWithAuto ? 1 : 0;
    return v;
}

void PrintTo(const AdjustCase& c, std::ostream* os) {
    *os << c.name;
}

class AutoAdjustCases : public ::testing::TestWithParam<AdjustCase> {};

TEST_P(AutoAdjustCases, Result) {
    const AdjustCase& c = GetParam();
    expectResult(computeAutoAdjustment(c.values, c.eye, c.left, c.right), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    AutoAdjustFrames, AutoAdjustCases,
    ::testing::Values(
        // Switches off: whatever the transforms and crops, the window is the frame.
        AdjustCase{"Off",
                   withCropLeft(switches(0, 0, 1), 30, true),
                   kHd,
                   shifted(-500),
                   shifted(700),
                   {-0.5f, -0.5f, 1920.5f, 1080.5f, 1, 1, 0, 0}},
        AdjustCase{"IdentityFill",
                   switches(1, 1, 3),
                   kHd,
                   shifted(0),
                   shifted(0),
                   {-0.5f, -0.5f, 1920.5f, 1080.5f, 1, 1, 0, 0}},
        // Right eye 100 pixels to the right: both cover x 100..1920.
        AdjustCase{"Shift100Crop",
                   switches(1, 0, 1),
                   kHd,
                   shifted(0),
                   shifted(100),
                   {99.5f, -0.5f, 1920.5f, 1080.5f, 1, 1, 0, 0}},
        AdjustCase{"Shift100Center",
                   switches(0, 1, 1),
                   kHd,
                   shifted(0),
                   shifted(100),
                   {-0.5f, -0.5f, 2020.5f, 1080.5f, 1, 1, 50, 0}},
        AdjustCase{"Shift100Fit",
                   switches(0, 0, 2),
                   kHd,
                   shifted(0),
                   shifted(100),
                   {-0.5f, -0.5f, 2020.5f, 1080.5f, 1, 1, 0, 0}},
        AdjustCase{"Shift100Fill",
                   switches(0, 0, 3),
                   kHd,
                   shifted(0),
                   shifted(100),
                   {-0.5f, -0.5f, 2020.5f, 1080.5f, kFill, kFill, 0, 0}},
        AdjustCase{"Shift100Stretch",
                   switches(0, 0, 4),
                   kHd,
                   shifted(0),
                   shifted(100),
                   {-0.5f, -0.5f, 2020.5f, 1080.5f, kFill, 1, 0, 0}},
        // Eyes further apart than the frame is wide share nothing: only the union limits.
        AdjustCase{"Disjoint",
                   switches(1, 1, 3),
                   kHd,
                   shifted(-1000),
                   shifted(1000),
                   {-1000.5f, -0.5f, 2920.5f, 1080.5f, 1, 1, 0, 0}},
        // A 10% strip cropped off both sources narrows what they cover.
        AdjustCase{"CropWithAuto",
                   withCropLeft(switches(1, 1, 3), 10, true),
                   kHd,
                   shifted(0),
                   shifted(0),
                   {191.5f, 53.5f, 1920.5f, 1026.5f, kTenNinths, kTenNinths, 96, 0}},
        AdjustCase{"CropIgnored",
                   withCropLeft(switches(1, 1, 3), 10, false),
                   kHd,
                   shifted(0),
                   shifted(0),
                   {-0.5f, -0.5f, 1920.5f, 1080.5f, 1, 1, 0, 0}},
        // Empty frames have no aspect: neutral, never a division by zero.
        AdjustCase{"ZeroWidth",
                   switches(1, 1, 3),
                   {0, 1080},
                   shifted(0),
                   shifted(0),
                   {-0.5f, -0.5f, 0.5f, 1080.5f, 1, 1, 0, 0}},
        AdjustCase{"ZeroHeight",
                   switches(1, 1, 4),
                   {1920, 0},
                   shifted(0),
                   shifted(0),
                   {-0.5f, -0.5f, 1920.5f, 0.5f, 1, 1, 0, 0}},
        AdjustCase{"NegativeWidth",
                   switches(1, 1, 2),
                   {-4, 1080},
                   shifted(0),
                   shifted(0),
                   {-0.5f, -0.5f, -3.5f, 1080.5f, 1, 1, 0, 0}},
        // A left eye shrunk to a speck yields no crossing: no zoom or centring onto the right eye.
        AdjustCase{"NoCrossing",
                   switches(1, 1, 3),
                   kHd,
                   shifted(0, -20, -20),
                   shifted(100),
                   {99.5f, -0.5f, 2020.5f, 1080.5f, 1, 1, 0, 0}},
        // A left eye flattened to a line has a box without height.
        AdjustCase{"FlatBox",
                   switches(1, 1, 3),
                   kHd,
                   shifted(0, 0, -2000),
                   shifted(100),
                   {-0.5f, -0.5f, 2020.5f, 1080.5f, 1, 1, 0, 0}},
        // Corners at infinity: that eye covers nothing we can know of.
        AdjustCase{"LeftAtInfinity",
                   switches(1, 1, 3),
                   kHd,
                   atInfinity(),
                   shifted(100),
                   {99.5f, -0.5f, 2020.5f, 1080.5f, 1, 1, 0, 0}},
        AdjustCase{"BothAtInfinity",
                   switches(1, 1, 3),
                   kHd,
                   atInfinity(),
                   atInfinity(),
                   {-0.5f, -0.5f, 1920.5f, 1080.5f, 1, 1, 0, 0}}),
    [](const ::testing::TestParamInfo<AdjustCase>& row) { return std::string(row.param.name); });

TEST(AutoAdjustCoverage, InscribedFlagsFollowCrossings) {
    const FrameRect full{0, 1920, 0, 1080};
    const auto cov =
        computeEyeCoverage(1920.0f / 1080.0f, {full, full}, {shifted(0, -20, -20), shifted(100)});
    EXPECT_TRUE(cov[0].hasBounds);
    EXPECT_FALSE(cov[0].hasInscribed);
    EXPECT_TRUE(cov[1].hasInscribed);
    EXPECT_FLOAT_EQ(cov[1].inscribed.x0, 100);
    EXPECT_FLOAT_EQ(cov[1].inscribed.x1, 2020);
    EXPECT_FLOAT_EQ(cov[1].inscribed.y0, 0);
    EXPECT_FLOAT_EQ(cov[1].inscribed.y1, 1080);

    const auto lost = computeEyeCoverage(1920.0f / 1080.0f, {full, full}, {atInfinity(), shifted(0)});
    EXPECT_FALSE(lost[0].hasBounds);
    EXPECT_FALSE(lost[0].hasInscribed);
    EXPECT_TRUE(std::isfinite(lost[0].bounds.x1));
}

}  // namespace
}  // namespace duovis
