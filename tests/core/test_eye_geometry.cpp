#include "core/frame/EyeGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>

namespace duovis {
namespace {

struct Pt {
    double x, y;
};

Pt mapPoint(const EyeTransform& t, Pt p) {
    const double w = t.m13 * p.x + t.m23 * p.y + t.m33;
    return {(t.m11 * p.x + t.m21 * p.y + t.m31) / w, (t.m12 * p.x + t.m22 * p.y + t.m32) / w};
}

struct Setting {
    ParamId id = INPUT_LAYER;  // the layer slot carries no value: a harmless "no setting"
    double value = 0;
};

ParamValues valuesWith(Setting a, Setting b = {}) {
    ParamValues v = ParamValues::defaults();
    v[a.id] = a.value;
    v[b.id] = b.value;
    return v;
}

constexpr EyeSize kHd{1920, 1080};
constexpr OutputSize kHdOut{1920, 1080};

struct MapCase {
    const char* name;
    Eye eye;
    Pt source, expected;
    double tolerance;
    Setting first;
    Setting second{};  // most cases move one slider
};

void PrintTo(const MapCase& c, std::ostream* os) {
    *os << c.name;
}

class GeometryMapping : public ::testing::TestWithParam<MapCase> {};

// Forward takes the source point where the slider says, and the inverse brings it back.
TEST_P(GeometryMapping, ForwardAndBack) {
    const MapCase& c = GetParam();
    const StereoGeometry g = computeStereoGeometry(valuesWith(c.first, c.second), kHd, kHdOut);
    const bool left = c.eye == Eye::Left;
    const Pt out = mapPoint(left ? g.forwardL : g.forwardR, c.source);
    EXPECT_NEAR(out.x, c.expected.x, c.tolerance);
    EXPECT_NEAR(out.y, c.expected.y, c.tolerance);
    const Pt back = mapPoint(left ? g.inverseL : g.inverseR, out);
    EXPECT_NEAR(back.x, c.source.x, 1e-6);
    EXPECT_NEAR(back.y, c.source.y, 1e-6);
}

const double kRot5 = 5 * 0.017453292519943295;

INSTANTIATE_TEST_SUITE_P(
    GeometrySliders, GeometryMapping,
    ::testing::Values(
        MapCase{"RotateLeft90", Eye::Left, {1060, 540}, {960, 640}, 1e-9, {ROTATE_L, 90}},
        MapCase{"RotateBothLeftHalf",
                Eye::Left,
                {1060, 540},
                {960 + 100 * std::cos(kRot5), 540 + 100 * std::sin(kRot5)},
                1e-9,
                {ROTATE_B, 10}},
        MapCase{"RotateBothRightHalf",
                Eye::Right,
                {1060, 540},
                {960 + 100 * std::cos(kRot5), 540 - 100 * std::sin(kRot5)},
                1e-9,
                {ROTATE_B, 10}},
        MapCase{"KeystoneHRightGrows", Eye::Left, {1460, 540}, {1462.48, 540}, 0.005, {HKEYSTONE_L, 10}},
        MapCase{"KeystoneHLeftShrinks", Eye::Left, {460, 540}, {477.27, 540}, 0.005, {HKEYSTONE_L, 10}},
        MapCase{"KeystoneBothLeft", Eye::Left, {1460, 540}, {1462.48, 540}, 0.005, {HKEYSTONE_B, 20}},
        MapCase{"KeystoneBothRight", Eye::Right, {1460, 540}, {1442.73, 540}, 0.005, {HKEYSTONE_B, 20}},
        MapCase{"KeystoneVTop", Eye::Left, {960, 240}, {960, 240.96}, 0.005, {VKEYSTONE_L, 10}},
        MapCase{"KeystoneVBottom", Eye::Left, {960, 840}, {960, 831.93}, 0.005, {VKEYSTONE_L, 10}},
        MapCase{"KeystoneVCorner", Eye::Left, {1160, 240}, {1162.44, 240.96}, 0.005, {VKEYSTONE_L, 10}},
        MapCase{"ShiftBothLeft", Eye::Left, {960, 540}, {1056, 540}, 1e-9, {HSHIFT_PCT_B, 10}},
        MapCase{"ShiftBothRight", Eye::Right, {960, 540}, {864, 540}, 1e-9, {HSHIFT_PCT_B, 10}},
        MapCase{"MasterShiftLeft", Eye::Left, {960, 540}, {1152, 540}, 1e-9, {MASTER_HSHIFT_PCT, 10}},
        MapCase{"MasterShiftRight", Eye::Right, {960, 540}, {1152, 540}, 1e-9, {MASTER_HSHIFT_PCT, 10}},
        MapCase{"VShiftBothRight", Eye::Right, {960, 540}, {960, 486}, 1e-9, {VSHIFT_PCT_B, 10}},
        MapCase{"ScaleBothLeft", Eye::Left, {1060, 590}, {1160, 640}, 1e-9, {SCALE_B, 1}},
        MapCase{"ScaleBothRight", Eye::Right, {1060, 590}, {1010, 565}, 1e-9, {SCALE_B, 1}},
        MapCase{"MasterScaleRight", Eye::Right, {1060, 590}, {1160, 640}, 1e-9, {MASTER_SCALE, 1}},
        MapCase{"HScaleOnlyX", Eye::Left, {1060, 590}, {1160, 590}, 1e-9, {HSCALE_L, 1}},
        MapCase{"FlipMirrorsAboutCentre", Eye::Left, {1060, 540}, {860, 540}, 1e-9, {FLIP_L_H, 1}},
        MapCase{"FlipThenShiftRight",
                Eye::Left,
                {1060, 540},
                {1052, 540},
                1e-9,
                {FLIP_L_H, 1},
                {HSHIFT_PCT_L, 10}},
        MapCase{"FlipVertical", Eye::Right, {960, 500}, {960, 580}, 1e-9, {FLIP_R_V, 1}},
        MapCase{"SkewHorizontal", Eye::Left, {960, 640}, {860, 640}, 1e-9, {HSKEW_L, 45}}),
    [](const ::testing::TestParamInfo<MapCase>& row) { return std::string(row.param.name); });

void expectIdentity(const EyeTransform& t) {
    const double got[9] = {t.m11, t.m12, t.m13, t.m21, t.m22, t.m23, t.m31, t.m32, t.m33};
    const double want[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    for (int i = 0; i < 9; ++i) EXPECT_DOUBLE_EQ(got[i], want[i]) << "element " << i;
}

TEST(GeometryDefaults, BothEyesAreIdentity) {
    const StereoGeometry g = computeStereoGeometry(ParamValues::defaults(), kHd, kHdOut);
    for (const EyeTransform* t : {&g.forwardL, &g.inverseL, &g.forwardR, &g.inverseR}) expectIdentity(*t);
}

TEST(GeometryInverse, SingularIsIdentity) {
    EyeTransformParams p;
    p.scaleExpX = -2000;  // factor underflows to 0: the eye collapses onto a line
    expectIdentity(invertEyeTransform(forwardEyeTransform(p, 960, 540, 4330.28f)));
}

TEST(GeometryCentre, OddWidthTruncates) {
    const StereoGeometry g = computeStereoGeometry(valuesWith({SCALE_L, 1}), {1919, 1080}, {1919, 1080});
    EXPECT_EQ(g.centreX, 959);
    const Pt fixed = mapPoint(g.forwardL, {959, 540});
    EXPECT_DOUBLE_EQ(fixed.x, 959);
    EXPECT_DOUBLE_EQ(fixed.y, 540);
}

TEST(GeometryFocal, UsesOutputWidth) {
    EXPECT_NEAR(focalDistance(1920, 25), 4330.28, 0.005);
    const OutputSize out = computeOutputSize({1920, 1080}, DISPLAY_SBS_FULL);
    const StereoGeometry g = computeStereoGeometry(ParamValues::defaults(), {1920, 1080}, out);
    EXPECT_FLOAT_EQ(g.focal, focalDistance(3840, 25));
    EXPECT_NEAR(g.focal, 2 * 4330.28, 0.01);
}

struct EyeSizeCase {
    uint32_t w, h;
    Ratio dx, dy;
    int demux;
    EyeSize expected;
};

class GeometryEyeSize : public ::testing::TestWithParam<EyeSizeCase> {};

TEST_P(GeometryEyeSize, FromLayer) {
    const EyeSizeCase& c = GetParam();
    const EyeSize e = computeEyeSize(c.w, c.h, c.dx, c.dy, c.demux);
    EXPECT_EQ(e.width, c.expected.width);
    EXPECT_EQ(e.height, c.expected.height);
}

INSTANTIATE_TEST_SUITE_P(GeometryLayers, GeometryEyeSize,
                         ::testing::Values(EyeSizeCase{3840, 1080, {}, {}, DEMUX_SBS_FULL, {1920, 1080}},
                                           EyeSizeCase{3840, 1080, {}, {}, DEMUX_SBS_HALF, {3840, 1080}},
                                           EyeSizeCase{1920, 2160, {}, {}, DEMUX_TB_FULL, {1920, 1080}},
                                           EyeSizeCase{1920, 1080, {}, {}, DEMUX_TB_HALF, {1920, 1080}},
                                           EyeSizeCase{1921, 1081, {}, {}, DEMUX_SBS_FULL, {960, 1081}},
                                           EyeSizeCase{1920, 1080, {1, 2}, {1, 2}, DEMUX_NONE, {960, 540}},
                                           EyeSizeCase{1919, 1080, {1, 2}, {1, 4}, DEMUX_NONE, {959, 270}},
                                           EyeSizeCase{1920, 1080, {1, 0}, {1, 2}, DEMUX_NONE, {0, 540}}));

// Only the full-size side-by-side and top-bottom layouts need more than one eye's frame; the
// parallax phases and an unknown code render one eye's worth.
TEST(GeometryOutputSize, PerDisplayCode) {
    for (int code : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 131, 132, 99}) {
        const OutputSize o = computeOutputSize({1920, 1080}, code);
        EXPECT_EQ(o.width, code == DISPLAY_SBS_FULL ? 3840 : 1920) << "code " << code;
        EXPECT_EQ(o.height, code == DISPLAY_TB_FULL ? 2160 : 1080) << "code " << code;
    }
}

}  // namespace
}  // namespace duovis
