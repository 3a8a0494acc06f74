#include "KernelTestFrames.h"
#include "core/frame/KernelSetup.h"
#include "core/params/Codes.h"

#include <gtest/gtest.h>

#include <vector>

namespace duovis {
namespace {

constexpr EyeSize kEye{1920, 1080};

TransformKernelArgs fill(const ParamValues& v, int displayCode, int32_t frame = 0,
                         KernelFrames frames = KernelFrames{}) {
    if (!frames.primary.width) frames.primary = KernelFrame{nullptr, 1920, 1920, 1080};
    return fillKernelArgs(v, frames, displayCode, kEye, computeOutputSize(kEye, displayCode), frame);
}

void mapWith(const float* m, float x, float y, float& u, float& v) {
    const float w = m[2] * x + m[5] * y + m[8];
    u = (m[0] * x + m[3] * y + m[6]) / w;
    v = (m[1] * x + m[4] * y + m[7]) / w;
}

TEST(KernelSetup, FreshInstanceFillsNeutralArguments) {
    const TransformKernelArgs a = fill(ParamValues::defaults(), DISPLAY_SBS_HALF);
    const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ((&a.inL11)[i], identity[i]) << i;
        EXPECT_EQ((&a.inR11)[i], identity[i]) << i;
    }
    EXPECT_EQ(a.inDispMode, DISPLAY_SBS_HALF);
    EXPECT_EQ(a.inDemuxMode0, DEMUX_NONE);
    EXPECT_EQ(a.inDemuxChan0, 0);
    EXPECT_EQ(a.inDemuxChan1, 0);
    EXPECT_EQ(a.inGrayscale, 0);
    EXPECT_EQ(a.inFactor, 0.5f);
    EXPECT_EQ(a.inCropLR, 100.0f);
    EXPECT_EQ(a.inCropRB, 100.0f);
    EXPECT_EQ(a.inAutoCropL, -0.5f);
    EXPECT_EQ(a.inAutoCropR, 1920.5f);
    EXPECT_EQ(a.inAutoCropB, 1080.5f);
    EXPECT_EQ(a.inAutoScaleX, 1.0f);
    EXPECT_EQ(a.inAutoCenterX, 0.0f);
    EXPECT_EQ(a.inEnableAreaAlter, 0);
    EXPECT_EQ(a.inAreaAlterColor, 1) << "\"Red\" is border colour code 1";
    EXPECT_EQ(a.inAreaAlterR, 50.0f);
}

TEST(KernelSetup, AbsentSecondaryRepeatsThePrimarySize) {
    KernelFrames frames;
    frames.primary = KernelFrame{nullptr, 2000, 1920, 1080};
    frames.secondary = KernelFrame{nullptr, 640, 640, 480};  // no data: absent
    const TransformKernelArgs a = fill(ParamValues::defaults(), DISPLAY_LEFT, 0, frames);
    EXPECT_EQ(a.inImageR, nullptr);
    EXPECT_EQ(a.inPitchR, 0);
    EXPECT_EQ(a.inWidthR, 1920);
    EXPECT_EQ(a.inHeightR, 1080);
    EXPECT_EQ(a.inPitchL, 2000);

    const float pixel[4] = {};
    frames.secondary.data = pixel;
    const TransformKernelArgs b = fill(ParamValues::defaults(), DISPLAY_LEFT, 0, frames);
    EXPECT_EQ(b.inPitchR, 640);
    EXPECT_EQ(b.inWidthR, 640);
    EXPECT_EQ(b.inHeightR, 480);
}

struct CodeCase {
    int displayCode;
    int32_t frame;
    int grayscaleParam;
    int32_t expectedCode;
    int32_t expectedGray;
};

class KernelSetupCodes : public ::testing::TestWithParam<CodeCase> {};

TEST_P(KernelSetupCodes, ResolveParallaxAndForcedGrayscale) {
    const CodeCase c = GetParam();
    ParamValues v = ParamValues::defaults();
    v[GRAYSCALE] = c.grayscaleParam;
    const TransformKernelArgs a = fill(v, c.displayCode, c.frame);
    EXPECT_EQ(a.inDispMode, c.expectedCode);
    EXPECT_EQ(a.inGrayscale, c.expectedGray);
}

INSTANTIATE_TEST_SUITE_P(KernelSetup, KernelSetupCodes,
                         ::testing::Values(CodeCase{DISPLAY_PARALLAX, 0, 0, DISPLAY_PARALLAX_LEFT, 0},
                                           CodeCase{DISPLAY_PARALLAX, 3, 0, DISPLAY_PARALLAX_LEFT, 0},
                                           CodeCase{DISPLAY_PARALLAX, 4, 0, DISPLAY_PARALLAX_RIGHT, 0},
                                           CodeCase{DISPLAY_PARALLAX, 6, 0, DISPLAY_PARALLAX_RIGHT, 0},
                                           CodeCase{DISPLAY_PARALLAX, 7, 0, DISPLAY_PARALLAX_LEFT, 0},
                                           CodeCase{DISPLAY_PARALLAX, 10, 0, DISPLAY_PARALLAX_LEFT, 0},
                                           CodeCase{DISPLAY_PARALLAX, 11, 0, DISPLAY_PARALLAX_RIGHT, 0},
                                           CodeCase{DISPLAY_PARALLAX, -5, 0, DISPLAY_PARALLAX_LEFT, 0},
                                           CodeCase{DISPLAY_ANAGLYPH_GRAY, 0, 0, DISPLAY_ANAGLYPH_GRAY, 1},
                                           CodeCase{DISPLAY_ANAGLYPH, 0, 0, DISPLAY_ANAGLYPH, 0},
                                           CodeCase{DISPLAY_ANAGLYPH, 0, 1, DISPLAY_ANAGLYPH, 1}));

struct FrameNumberCase {
    int64_t time, duration;
    int32_t frame;
};

TEST(KernelSetup, FrameNumberTruncatesTowardZero) {
    const FrameNumberCase cases[] = {{0, 100, 0},     {1000, 100, 10}, {1099, 100, 10},
                                     {-150, 100, -1}, {-99, 100, 0},   {500, 0, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(frameNumberAt(c.time, c.duration), c.frame) << c.time << "/" << c.duration;
}

TEST(KernelSetup, DemuxPopupsReachTheKernelRemapped) {
    ParamValues v = ParamValues::defaults();
    v[PRIMARY_DEMUX_MODE] = 4;  // "Side-By-Side(100%)"
    v[PRIMARY_DEMUX_CHANNEL] = 3;
    v[SECONDARY_DEMUX_MODE] = 3;  // "Top-Bottom(50%)"
    v[SECONDARY_DEMUX_CHANNEL] = 2;
    const TransformKernelArgs a = fill(v, DISPLAY_LEFT);
    EXPECT_EQ(a.inDemuxMode0, DEMUX_SBS_FULL);
    EXPECT_EQ(a.inDemuxChan0, 2);
    EXPECT_EQ(a.inDemuxMode1, DEMUX_TB_HALF);
    EXPECT_EQ(a.inDemuxChan1, 1);
}

TEST(KernelSetup, InverseMatricesTakeOutputBackToSource) {
    ParamValues v = ParamValues::defaults();
    v[ROTATE_L] = 90;
    const TransformKernelArgs a = fill(v, DISPLAY_LEFT);
    float u, w;
    mapWith(&a.inL11, 960, 640, u, w);
    EXPECT_NEAR(u, 1060, 1e-3);
    EXPECT_NEAR(w, 540, 1e-3);
    mapWith(&a.inR11, 960, 640, u, w);
    EXPECT_NEAR(u, 960, 1e-3) << "the right eye is untouched";
    EXPECT_NEAR(w, 640, 1e-3);
}

TEST(KernelSetup, AutoAdjustmentFillsTheWindowArguments) {
    ParamValues v = ParamValues::defaults();
    v[HSHIFT_PCT_R] = 100.0 / 1920.0 * 100.0;  // the right eye 100 pixels to the right
    v[AUTO_CROP] = 1;
    v[AUTO_CENTER] = 1;
    v[AUTO_SCALE] = 3;  // "Scale-To-Fill"
    const TransformKernelArgs a = fill(v, DISPLAY_ANAGLYPH);
    EXPECT_NEAR(a.inAutoCropL, 99.5f, 1e-3);
    EXPECT_NEAR(a.inAutoCropR, 1920.5f, 1e-3);
    EXPECT_NEAR(a.inAutoScaleX, 1920.0f / 1820.0f, 1e-5);
    EXPECT_NEAR(a.inAutoScaleY, 1920.0f / 1820.0f, 1e-5);
    EXPECT_NEAR(a.inAutoCenterX, 50.0f, 1e-3);
    EXPECT_NEAR(a.inAutoCenterY, 0.0f, 1e-3);
}

TEST(KernelSetup, CropSumsReachBothEyes) {
    ParamValues v = ParamValues::defaults();
    v[CROP_B_RIGHT] = 90;
    v[CROP_L_RIGHT] = 95;
    v[CROP_B_LEFT] = 5;
    v[CROP_R_TOP] = 7.5;
    const TransformKernelArgs a = fill(v, DISPLAY_LEFT);
    EXPECT_FLOAT_EQ(a.inCropLR, 85);
    EXPECT_FLOAT_EQ(a.inCropRR, 90);
    EXPECT_FLOAT_EQ(a.inCropLL, 5);
    EXPECT_FLOAT_EQ(a.inCropRL, 5);
    EXPECT_FLOAT_EQ(a.inCropRT, 7.5);
    EXPECT_FLOAT_EQ(a.inCropLT, 0);
}

// From parameter values to pixels: a side-by-side frame, both eyes from it, as a red/cyan
// anaglyph. Each output pixel takes red from the left half and green/blue from the right half.
TEST(KernelSetup, SideBySideFrameBecomesAnaglyph) {
    const int w = 8, h = 2;
    std::vector<float> src(size_t(w * h * 4));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float* p = &src[size_t((y * w + x) * 4)];
            const bool leftHalf = x < w / 2;
            p[0] = leftHalf ? 0.1f : 0.6f;  // blue
            p[1] = leftHalf ? 0.2f : 0.7f;  // green
            p[2] = leftHalf ? 0.3f : 0.8f;  // red
            p[3] = 1.0f;
        }
    std::vector<float> dst(size_t(w * h * 4), -1.0f);
    ParamValues v = ParamValues::defaults();
    v[PRIMARY_DEMUX_MODE] = 2;  // "Side-By-Side(50%)", channel "Both"
    KernelFrames frames;
    frames.primary = KernelFrame{src.data(), w, w, h};
    frames.destination = dst.data();
    frames.destinationPitch = w;
    const EyeSize eye = computeEyeSize(w, h, {}, {}, primaryDemuxCode(v));
    ASSERT_EQ(eye.width, w);
    const TransformKernelArgs a =
        fillKernelArgs(v, frames, DISPLAY_ANAGLYPH, eye, computeOutputSize(eye, DISPLAY_ANAGLYPH), 0);
    runCpuTransformKernel(a, CpuPixelFormat::Bgra32f, {}, test::testCpuTarget());
    for (int i = 0; i < w * h; ++i) {
        EXPECT_FLOAT_EQ(dst[size_t(i * 4 + 0)], 0.6f) << i;
        EXPECT_FLOAT_EQ(dst[size_t(i * 4 + 1)], 0.7f) << i;
        EXPECT_FLOAT_EQ(dst[size_t(i * 4 + 2)], 0.3f) << i;
        EXPECT_FLOAT_EQ(dst[size_t(i * 4 + 3)], 1.0f) << i;
    }
}

}  // namespace
}  // namespace duovis
