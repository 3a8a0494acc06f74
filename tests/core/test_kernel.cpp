#include "KernelTestFrames.h"
#include "core/params/Codes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace duovis {
namespace {

using test::Frame;
using test::Path;
using test::Rgba;

constexpr Rgba kBlack{0, 0, 0, 0};
constexpr Rgba kUntouched{7, 7, 7, 7};  // what a destination holds before the kernel runs
constexpr float kHair = 1.0f / 256.0f;  // small, and exact at every position used here

// Distinct colours per position, different in every channel between the two sources.
// They stay within 0..255 so that every format holds them exactly.
Rgba primaryAt(int32_t c, int32_t r) {
    return {float((30 + 9 * c) % 251), float((20 + 11 * r) % 241), 50, 200};
}
Rgba secondaryAt(int32_t c, int32_t r) {
    return {float((140 + 5 * c) % 253), float((90 + 13 * r) % 247), float((200 + 9 * c) % 239), 240};
}
// Ramps report the sample position: red is the column, green the row, blue names the source.
Rgba rampPrimary(int32_t c, int32_t r) {
    return {float(c), float(r), 1, 1};
}
Rgba rampSecondary(int32_t c, int32_t r) {
    return {float(c), float(r), 2, 1};
}

Frame makeFrame(Path p, int32_t w, int32_t h, const std::function<Rgba(int32_t, int32_t)>& colour) {
    Frame f(p, w, h);
    for (int32_t r = 0; r < h; ++r)
        for (int32_t c = 0; c < w; ++c) f.set(c, r, colour(c, r));
    return f;
}
Frame uniform(Path p, int32_t w, int32_t h, Rgba c) {
    return Frame(p, w, h, c);
}

void translate(TransformKernelArgs& a, float tx, float ty) {
    a.inL31 = a.inR31 = tx;
    a.inL32 = a.inR32 = ty;
}

Rgba gray(Rgba c) {
    const float g = std::max({c.r, c.g, c.b});
    return {g, g, g, c.a};
}

// What the destination format holds for an exact result: 8-bit stores truncate toward zero.
Rgba asStored(Path p, Rgba v) {
    if (p != Path::CpuByte) return v;
    return {std::trunc(v.r), std::trunc(v.g), std::trunc(v.b), std::trunc(v.a)};
}

void expectColour(Path p, const Rgba& actual, const Rgba& expected, const std::string& where) {
    const Rgba e = asStored(p, expected);
    const auto tol = [&](float v) {
        return p == Path::CpuByte ? 0.0 : 1e-5 * std::max(1.0, std::fabs(double(v)));
    };
    EXPECT_NEAR(double(actual.r), double(e.r), tol(e.r)) << where << " red; got " << actual << " want " << e;
    EXPECT_NEAR(double(actual.g), double(e.g), tol(e.g))
        << where << " green; got " << actual << " want " << e;
    EXPECT_NEAR(double(actual.b), double(e.b), tol(e.b)) << where << " blue; got " << actual << " want " << e;
    EXPECT_NEAR(double(actual.a), double(e.a), tol(e.a))
        << where << " alpha; got " << actual << " want " << e;
}

std::string at(int32_t c, int32_t r) {
    return "(" + std::to_string(c) + ", " + std::to_string(r) + ")";
}

// ---------------------------------------------------------------------------------------------
// Identity settings copy the primary exactly, edge pixels included.

struct Size {
    int32_t w, h;
};
void PrintTo(const Size& s, std::ostream* os) {
    *os << s.w << "x" << s.h;
}

class KernelIdentity : public ::testing::TestWithParam<Path> {};

TEST_P(KernelIdentity, OutputEqualsPrimary) {
    const Path p = GetParam();
    const auto noisy = [](int32_t c, int32_t r) {
        const int32_t h = (c * 73 + r * 151 + 17) % 251;
        return Rgba{float(h), float((h * 7 + 3) % 256), float((h * 13 + 5) % 256),
                    float((h * 29 + 11) % 256)};
    };
    // The small frame has edges on every side; the large one crosses the walk's run and band
    // boundaries.
    for (const Size s : {Size{7, 5}, Size{131, 67}}) {
        const Frame src = makeFrame(p, s.w, s.h, noisy);
        Frame dst(p, s.w, s.h, kUntouched);
        test::runKernel(p, test::neutralArgs(p, src, nullptr, dst, s.w, s.h, DISPLAY_LEFT));
        if (p == Path::CpuByte) {
            EXPECT_EQ(dst.bytes(), src.bytes());
        }
        for (int32_t r = 0; r < s.h; ++r) {
            for (int32_t c = 0; c < s.w; ++c) ASSERT_EQ(dst.at(c, r), src.at(c, r)) << at(c, r);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kernel, KernelIdentity,
                         ::testing::Values(Path::CpuFloat, Path::CpuByte, Path::DeviceFloat,
                                           Path::DeviceHalfTowardZero, Path::DeviceHalfNearest),
                         [](const auto& i) { return std::string(test::pathName(i.param)); });

// ---------------------------------------------------------------------------------------------
// Store rules: the left eye comes from the primary, the right from the secondary, so every
// destination pixel names the eye and the position it was taken from.

struct Eyes {
    int32_t w, h;
    bool grayscale;
    Rgba L(int32_t x, int32_t y) const { return grayscale ? gray(primaryAt(x, y)) : primaryAt(x, y); }
    Rgba R(int32_t x, int32_t y) const { return grayscale ? gray(secondaryAt(x, y)) : secondaryAt(x, y); }
};

// Codes 2 and 4 fold two eye positions into one destination column (row); the CPU walks the
// grid in order, so the position with the largest index among all that land there remains.
template <class Get>
Rgba lastStore(int32_t c, int32_t n, Get eye) {
    int32_t best = -1;
    bool left = false;
    for (int32_t x = 0; x < n; ++x) {
        if (x / 2 == c && x > best) best = x, left = true;
        if ((n + x) / 2 == c && x > best) best = x, left = false;
    }
    return eye(left, best);
}

Rgba anaglyph(Rgba l, Rgba r) {
    return {l.r, r.g, r.b, std::max(l.a, r.a)};
}
Rgba optimized(Rgba l, Rgba r) {
    return {float(0.3 * double(l.b) + 0.7 * double(l.g)), r.g, r.b, std::max(l.a, r.a)};
}
Rgba onion(Rgba l, Rgba r) {
    return {0.5f * (l.r + r.r), 0.5f * (l.g + r.g), 0.5f * (l.b + r.b), 0.5f * (l.a + r.a)};
}
Rgba difference(Rgba l, Rgba r) {
    return {std::fabs(l.r - r.r), std::fabs(l.g - r.g), std::fabs(l.b - r.b), std::max(l.a, r.a)};
}

// The expected colour at destination (c, r); nullopt: the kernel leaves the pixel as it was.
using Expect = std::optional<Rgba> (*)(const Eyes& e, int32_t c, int32_t r);
#define EXPECT_AT(expr)                                              \
    [](const Eyes& e, int32_t c, int32_t r) -> std::optional<Rgba> { \
        return (void)e, (void)c, (void)r, (expr);                    \
    }

struct StoreCase {
    const char* name;
    int32_t code, widthFactor, heightFactor, interlaceOdd, grayscale;
    Expect expect;
};
void PrintTo(const StoreCase& c, std::ostream* os) {
    *os << c.name;
}

const auto kNothing = std::optional<Rgba>{};
// clang-format off
const StoreCase kStoreCases[] = {
    {"Left", 0, 1, 1, 0, 0, EXPECT_AT(e.L(c, r))},
    {"Right", 1, 1, 1, 0, 0, EXPECT_AT(e.R(c, r))},
    {"SbsHalf", 2, 1, 1, 0, 0, EXPECT_AT(lastStore(c, e.w, [&](bool l, int32_t x) { return l ? e.L(x, r) : e.R(x, r); }))},
    {"SbsFull", 3, 2, 1, 0, 0, EXPECT_AT(c < e.w ? e.L(c, r) : e.R(c - e.w, r))},
    {"TbHalf", 4, 1, 1, 0, 0, EXPECT_AT(lastStore(r, e.h, [&](bool l, int32_t y) { return l ? e.L(c, y) : e.R(c, y); }))},
    {"TbFull", 5, 1, 2, 0, 0, EXPECT_AT(r < e.h ? e.L(c, r) : e.R(c, r - e.h))},
    {"Interlaced", 6, 1, 1, 0, 0, EXPECT_AT(r % 2 == 0 ? e.L(c, r) : e.R(c, r))},
    {"InterlacedOdd", 6, 1, 1, 1, 0, EXPECT_AT(r % 2 == 1 ? e.L(c, r) : e.R(c, r))},
    {"Anaglyph", 7, 1, 1, 0, 0, EXPECT_AT(anaglyph(e.L(c, r), e.R(c, r)))},
    {"AnaglyphOptimized", 8, 1, 1, 0, 0, EXPECT_AT(optimized(e.L(c, r), e.R(c, r)))},
    {"AnaglyphGray", 9, 1, 1, 0, 1, EXPECT_AT(anaglyph(e.L(c, r), e.R(c, r)))},
    {"Onion", 10, 1, 1, 0, 0, EXPECT_AT(onion(e.L(c, r), e.R(c, r)))},
    {"Difference", 11, 1, 1, 0, 0, EXPECT_AT(difference(e.L(c, r), e.R(c, r)))},
    {"Checkerboard", 12, 1, 1, 0, 0, EXPECT_AT((c + r) % 2 == 0 ? e.L(c, r) : e.R(c, r))},
    {"CheckerboardOdd", 12, 1, 1, 1, 0, EXPECT_AT((c + r) % 2 == 1 ? e.L(c, r) : e.R(c, r))},
    {"ParallaxLeft", 131, 1, 1, 0, 0, EXPECT_AT(e.L(c, r))},
    {"ParallaxRight", 132, 1, 1, 0, 0, EXPECT_AT(e.R(c, r))},
    {"UnresolvedParallax", 13, 1, 1, 0, 0, EXPECT_AT(kNothing)},
    {"CodeOutOfTable", 14, 1, 1, 0, 0, EXPECT_AT(kNothing)},
    {"NegativeCode", -1, 1, 1, 0, 0, EXPECT_AT(kNothing)},
};
// clang-format on

class KernelStoreRule : public ::testing::TestWithParam<std::tuple<Path, Size, StoreCase>> {};

TEST_P(KernelStoreRule, DestinationHoldsTheRightEyeColours) {
    const auto& [p, size, sc] = GetParam();
    // Which of two folded stores remains is only fixed by the CPU's loop order.
    if (!test::isCpu(p) && (sc.code == 2 || sc.code == 4)) GTEST_SKIP();
    const Frame left = makeFrame(p, size.w, size.h, primaryAt);
    const Frame right = makeFrame(p, size.w, size.h, secondaryAt);
    Frame dst(p, size.w * sc.widthFactor, size.h * sc.heightFactor, kUntouched);
    TransformKernelArgs a = test::neutralArgs(p, left, &right, dst, size.w, size.h, sc.code);
    a.inInterlaceOdd = sc.interlaceOdd;
    a.inGrayscale = sc.grayscale;
    test::runKernel(p, a);
    const Eyes eyes{size.w, size.h, sc.grayscale > 0};
    for (int32_t r = 0; r < dst.height(); ++r)
        for (int32_t c = 0; c < dst.width(); ++c)
            expectColour(p, dst.at(c, r), sc.expect(eyes, c, r).value_or(kUntouched), at(c, r));
}

INSTANTIATE_TEST_SUITE_P(Kernel, KernelStoreRule,
                         ::testing::Combine(::testing::Values(Path::CpuFloat, Path::CpuByte,
                                                              Path::DeviceFloat),
                                            ::testing::Values(Size{6, 4}, Size{5, 3}, Size{67, 35}),
                                            ::testing::ValuesIn(kStoreCases)),
                         [](const auto& i) {
                             const Size s = std::get<1>(i.param);
                             return std::string(test::pathName(std::get<0>(i.param))) + "_" +
                                    std::get<2>(i.param).name + "_" + std::to_string(s.w) + "x" +
                                    std::to_string(s.h);
                         });

// ---------------------------------------------------------------------------------------------
// Sampling: ramps make each output report where it was sampled. Display code 3 shows the left
// eye at column x and the right eye at column eyeW + x. A probe's blue names the source frame
// (1 primary, 2 secondary); a negative red expects transparent black.

struct Probe {
    int32_t x, y;
    bool rightEye;
    float r, g, source;
};

void checkProbes(Path p, const Frame& dst, int32_t eyeW, const std::vector<Probe>& probes) {
    for (const Probe& q : probes) {
        const int32_t col = q.rightEye ? eyeW + q.x : q.x;
        const Rgba want = q.r < 0 ? kBlack : Rgba{q.r, q.g, q.source, 1};
        expectColour(p, dst.at(col, q.y), want,
                     std::string(q.rightEye ? "right eye " : "left eye ") + at(q.x, q.y));
    }
}

struct SampleCase {
    const char* name;
    int32_t pw, ph, sw, sh, eyeW, eyeH, demux0, chan0, demux1, chan1;
    float cropLL, cropLT, cropRR, cropRB, tx, ty;
    int32_t swap;
    std::vector<Probe> probes;
    float leftShift = 0;  // extra column shift of the left eye's matrix only
};
void PrintTo(const SampleCase& c, std::ostream* os) {
    *os << c.name;
}

const float B = -1;  // probe expects transparent black

// clang-format off
const SampleCase kSampleCases[] = {
    // Both eyes from the primary.
    {"Sbs50BothW1920", 1920, 1, 1920, 1, 1920, 1, 1, 0, 0, 0, 0, 0, 100, 100, 0, 0, 0,
     {{0, 0, false, 0, 0, 1}, {1, 0, false, 0.5f, 0, 1}, {1918, 0, false, 959, 0, 1},
     {1919, 0, false, 959, 0, 1}, {0, 0, true, 960, 0, 1}, {1, 0, true, 960.5f, 0, 1},
     {1919, 0, true, 1919, 0, 1}}},
    {"Sbs100BothW3840", 3840, 1, 1920, 1, 1920, 1, 2, 0, 0, 0, 0, 0, 100, 100, 0, 0, 0,
     {{0, 0, false, 0, 0, 1}, {1919, 0, false, 1919, 0, 1}, {0, 0, true, 1920, 0, 1},
     {1919, 0, true, 3839, 0, 1}}},
    {"Tb50Both", 2, 8, 2, 8, 2, 8, 3, 0, 0, 0, 0, 0, 100, 100, 0, 0, 0, {{1, 3, false, 1, 1.5f, 1},
     {1, 7, false, 1, 3, 1}, {1, 0, true, 1, 4, 1}, {1, 7, true, 1, 7, 1}}},
    {"Tb100Both", 2, 8, 2, 8, 2, 4, 4, 0, 0, 0, 0, 0, 100, 100, 0, 0, 0, {{0, 3, false, 0, 3, 1},
     {0, 0, true, 0, 4, 1}, {1, 3, true, 1, 7, 1}}},
    // One eye from one half of the primary, the other from the secondary.
    {"PrimaryFirstHalf", 8, 1, 8, 1, 8, 1, 1, 1, 0, 0, 0, 0, 100, 100, 0, 0, 0, {{2, 0, false, 1, 0, 1},
     {7, 0, false, 3, 0, 1}, {2, 0, true, 2, 0, 2}}},
    {"PrimarySecondHalf", 8, 1, 4, 1, 4, 1, 2, 2, 0, 0, 0, 0, 100, 100, 0, 0, 0, {{1, 0, false, 5, 0, 1},
     {1, 0, true, 1, 0, 2}}},
    {"SecondaryFirstHalfSbs50", 8, 1, 8, 1, 8, 1, 0, 0, 1, 0, 0, 0, 100, 100, 0, 0, 0,
     {{4, 0, true, 2, 0, 2}, {4, 0, false, 4, 0, 1}}},
    {"SecondarySecondHalfTb100", 2, 4, 2, 8, 2, 4, 0, 0, 4, 1, 0, 0, 100, 100, 0, 0, 0,
     {{0, 1, true, 0, 5, 2}, {0, 1, false, 0, 1, 1}}},
    {"SecondarySecondHalfTb50", 2, 4, 2, 4, 2, 4, 0, 0, 3, 1, 0, 0, 100, 100, 0, 0, 0,
     {{0, 2, true, 0, 3, 2}}},
    // Crop windows: a position on the window's outer edge is sampled (replicating the edge
    // pixel), one a hair beyond is black. "(L) Left(%)" 10 of a 3840 frame split in two: 192.
    {"CropLeft10Sbs100Inside", 3840, 1, 3840, 1, 1920, 1, 2, 0, 0, 0, 10, 0, 100, 100, 0, 0, 0,
     {{192, 0, false, 192, 0, 1}, {191, 0, false, B, 0, 0}}},
    {"CropLeft10Sbs100OnEdge", 3840, 1, 3840, 1, 1920, 1, 2, 0, 0, 0, 10, 0, 100, 100, -0.5f, 0, 0,
     {{192, 0, false, 192, 0, 1}}},
    {"CropLeft10Sbs100Beyond", 3840, 1, 3840, 1, 1920, 1, 2, 0, 0, 0, 10, 0, 100, 100, -0.5f - kHair, 0, 0,
     {{192, 0, false, B, 0, 0}}},
    {"CropRight90SecondHalfOnEdge", 3840, 1, 3840, 1, 1920, 1, 2, 0, 0, 0, 0, 0, 90, 100, 0.5f, 0, 0,
     {{1727, 0, true, 3647, 0, 1}}},
    {"CropRight90SecondHalfBeyond", 3840, 1, 3840, 1, 1920, 1, 2, 0, 0, 0, 0, 0, 90, 100, 0.5f + kHair, 0, 0,
     {{1727, 0, true, B, 0, 0}}},
    {"FrameRightEdgeOn", 8, 1, 8, 1, 8, 1, 0, 0, 0, 0, 0, 0, 100, 100, 0.5f, 0, 0, {{7, 0, false, 7, 0, 1}}},
    {"FrameRightEdgeBeyond", 8, 1, 8, 1, 8, 1, 0, 0, 0, 0, 0, 0, 100, 100, 0.5f + kHair, 0, 0,
     {{7, 0, false, B, 0, 0}}},
    {"CropTop25OnEdge", 1, 8, 1, 8, 1, 8, 0, 0, 0, 0, 0, 25, 100, 100, 0, -0.5f, 0, {{0, 2, false, 0, 2, 1}}},
    {"CropTop25Beyond", 1, 8, 1, 8, 1, 8, 0, 0, 0, 0, 0, 25, 100, 100, 0, -0.5f - kHair, 0,
     {{0, 2, false, B, 0, 0}}},
    {"CropBottom50Tb100SecondOnEdge", 1, 8, 1, 8, 1, 4, 4, 0, 0, 0, 0, 0, 100, 50, 0, 0.5f, 0,
     {{0, 1, true, 0, 5, 1}}},
    {"CropBottom50Tb100SecondBeyond", 1, 8, 1, 8, 1, 4, 4, 0, 0, 0, 0, 0, 100, 50, 0, 0.5f + kHair, 0,
     {{0, 1, true, B, 0, 0}}},
    // Swap: the output eye keeps its geometry, the source keeps its crop window. Here the left
    // eye's matrix moves one column right and the left source's window starts at column 2.
    {"SwapOffPair", 8, 1, 8, 1, 4, 1, 2, 0, 0, 0, 50, 0, 100, 100, 0, 0, 0, {{0, 0, false, B, 0, 0},
     {1, 0, false, 2, 0, 1}, {3, 0, false, B, 0, 0}, {0, 0, true, 4, 0, 1}}, 1},
    {"SwapOnPair", 8, 1, 8, 1, 4, 1, 2, 0, 0, 0, 50, 0, 100, 100, 0, 0, 1, {{0, 0, false, 5, 0, 1},
     {2, 0, false, 7, 0, 1}, {3, 0, false, B, 0, 0}, {1, 0, true, B, 0, 0}, {2, 0, true, 2, 0, 1},
     {3, 0, true, 3, 0, 1}}, 1},
    {"SwapOnTwoFrames", 4, 1, 4, 1, 4, 1, 0, 0, 0, 0, 0, 0, 100, 100, 0, 0, 1, {{0, 0, false, 1, 0, 2},
     {3, 0, false, B, 0, 0}, {1, 0, true, 1, 0, 1}}, 1},
};
// clang-format on

class KernelSampling : public ::testing::TestWithParam<std::tuple<Path, SampleCase>> {};

TEST_P(KernelSampling, EachEyeSamplesItsSourceInsideItsWindow) {
    const auto& [p, sc] = GetParam();
    const Frame left = makeFrame(p, sc.pw, sc.ph, rampPrimary);
    const Frame right = makeFrame(p, sc.sw, sc.sh, rampSecondary);
    Frame dst(p, 2 * sc.eyeW, sc.eyeH, kUntouched);
    TransformKernelArgs a = test::neutralArgs(p, left, &right, dst, sc.eyeW, sc.eyeH, DISPLAY_SBS_FULL);
    a.inDemuxMode0 = sc.demux0, a.inDemuxChan0 = sc.chan0, a.inDemuxMode1 = sc.demux1,
    a.inDemuxChan1 = sc.chan1;
    a.inCropLL = sc.cropLL, a.inCropLT = sc.cropLT, a.inCropRR = sc.cropRR, a.inCropRB = sc.cropRB;
    a.inSwapLR = sc.swap;
    translate(a, sc.tx, sc.ty);
    a.inL31 += sc.leftShift;
    test::runKernel(p, a);
    checkProbes(p, dst, sc.eyeW, sc.probes);
}

INSTANTIATE_TEST_SUITE_P(Kernel, KernelSampling,
                         ::testing::Combine(::testing::Values(Path::CpuFloat, Path::DeviceFloat),
                                            ::testing::ValuesIn(kSampleCases)),
                         [](const auto& i) {
                             return std::string(test::pathName(std::get<0>(i.param))) + "_" +
                                    std::get<1>(i.param).name;
                         });

// ---------------------------------------------------------------------------------------------
// The host render centres the primary frame on the eye grid; the device kernels anchor it at the
// top-left corner. The secondary frame is anchored on both.

struct CentreCase {
    const char* name;
    int32_t pw, ph, eyeW, eyeH, demux0;
    std::vector<Probe> cpu, device;
};
void PrintTo(const CentreCase& c, std::ostream* os) {
    *os << c.name;
}

// clang-format off
const CentreCase kCentreCases[] = {
    {"LargerPrimary", 8, 6, 4, 2, 0, {{0, 0, false, 2, 2, 1}, {3, 1, false, 5, 3, 1}, {3, 1, true, 3, 1, 2}},
     {{0, 0, false, 0, 0, 1}, {3, 1, false, 3, 1, 1}, {3, 1, true, 3, 1, 2}}},
    {"SmallerPrimary", 2, 2, 6, 4, 0, {{0, 0, false, B, 0, 0}, {2, 1, false, 0, 0, 1},
     {3, 2, false, 1, 1, 1}, {4, 1, false, B, 0, 0}}, {{0, 0, false, 0, 0, 1}, {1, 1, false, 1, 1, 1},
     {2, 1, false, B, 0, 0}}},
    // An odd-width squeezed pair: the CPU samples the first half half a pixel further left.
    {"OddWidthSbs50", 5, 1, 5, 1, 1, {{0, 0, false, 0, 0, 1}, {1, 0, false, 0, 0, 1},
     {2, 0, false, 0.5f, 0, 1}, {0, 0, true, 3, 0, 1}}, {{0, 0, false, 0, 0, 1}, {1, 0, false, 0.5f, 0, 1},
     {2, 0, false, 1, 0, 1}, {0, 0, true, 3, 0, 1}}},
    {"FittingOddWidth1921", 1921, 1, 1921, 1, 0, {{0, 0, false, 0, 0, 1}, {1920, 0, false, 1920, 0, 1}},
     {{0, 0, false, 0, 0, 1}, {1920, 0, false, 1920, 0, 1}}},
};
// clang-format on

class KernelCpuCentring : public ::testing::TestWithParam<CentreCase> {};

TEST_P(KernelCpuCentring, PrimaryIsCentredOnlyOnTheCpu) {
    const CentreCase& cc = GetParam();
    for (const Path p : {Path::CpuFloat, Path::DeviceFloat}) {
        SCOPED_TRACE(test::pathName(p));
        const Frame left = makeFrame(p, cc.pw, cc.ph, rampPrimary);
        const Frame right = makeFrame(p, cc.pw, cc.ph, rampSecondary);
        Frame dst(p, 2 * cc.eyeW, cc.eyeH, kUntouched);
        TransformKernelArgs a = test::neutralArgs(p, left, &right, dst, cc.eyeW, cc.eyeH, DISPLAY_SBS_FULL);
        a.inDemuxMode0 = cc.demux0;
        test::runKernel(p, a);
        checkProbes(p, dst, cc.eyeW, test::isCpu(p) ? cc.cpu : cc.device);
    }
}

INSTANTIATE_TEST_SUITE_P(Kernel, KernelCpuCentring, ::testing::ValuesIn(kCentreCases),
                         [](const auto& i) { return std::string(i.param.name); });

// Crop limits round halves upward on the CPU, in single precision, and away from zero on the
// device. The two differ where x + 0.5 rounds up to the next integer in single precision, and
// for negative values, where the window's clamp to the frame makes them agree again.
struct RoundingCase {
    const char* name;
    float cropLL, tx;
    int32_t x;
    float cpuRed, deviceRed;  // B: transparent black
};
void PrintTo(const RoundingCase& c, std::ostream* os) {
    *os << c.name;
}

// clang-format off
const RoundingCase kRoundingCases[] = {
    // 4 x 12.499999% = 0.49999997: x + 0.5 rounds up to 1 in single precision.
    {"JustBelowHalfColumn", std::nextafter(12.5f, 0.0f), 0, 0, B, 0},
    {"JustBelowHalfNextColumn", std::nextafter(12.5f, 0.0f), 0, 1, 1, 1},
    {"NegativeHalfOnFrameEdge", -12.5f, -0.5f, 0, 0, 0},
    {"NegativeHalfBeyondFrameEdge", -12.5f, -0.5f - kHair, 0, B, B},
    {"NegativeFarBeyondFrame", -50.0f, -1.0f, 0, B, B},
};
// clang-format on

class KernelCropRounding : public ::testing::TestWithParam<RoundingCase> {};

TEST_P(KernelCropRounding, LimitFollowsThePathsRounding) {
    const RoundingCase& rc = GetParam();
    for (const Path p : {Path::CpuFloat, Path::DeviceFloat}) {
        SCOPED_TRACE(test::pathName(p));
        const Frame src = makeFrame(p, 4, 1, rampPrimary);
        Frame dst(p, 4, 1, kUntouched);
        TransformKernelArgs a = test::neutralArgs(p, src, nullptr, dst, 4, 1, DISPLAY_LEFT);
        a.inCropLL = rc.cropLL;
        translate(a, rc.tx, 0);
        test::runKernel(p, a);
        const float red = test::isCpu(p) ? rc.cpuRed : rc.deviceRed;
        checkProbes(p, dst, 4, {{rc.x, 0, false, red, 0, 1}});
    }
}

INSTANTIATE_TEST_SUITE_P(Kernel, KernelCropRounding, ::testing::ValuesIn(kRoundingCases),
                         [](const auto& i) { return std::string(i.param.name); });

// ---------------------------------------------------------------------------------------------
// Projective mapping and the automatic pre-mapping and crop, read back through ramps.

struct MapCase {
    const char* name;
    int32_t w;
    float m11, m13, m33;                     // of the left eye's matrix
    float autoL, autoT, autoR, autoB;        // auto-crop acceptance window
    float scaleX, scaleY, centreX, centreY;  // auto scale and centre
    std::vector<Probe> probes;
};
void PrintTo(const MapCase& c, std::ostream* os) {
    *os << c.name;
}

// clang-format off
const MapCase kMapCases[] = {
    // w = 2 - x reaches 0 at column 2.
    {"WReachesZero", 4, 1, -1, 2, -0.5f, -0.5f, 4.5f, 6.5f, 1, 1, 0, 0,
     {{0, 0, false, 0, 0, 1}, {1, 0, false, 1, 0, 1}, {2, 0, false, B, 0, 0},
     {3, 0, false, B, 0, 0}, {2, 0, true, 2, 0, 1}}},
    {"WNegativeEverywhere", 4, 1, 0, -1, -0.5f, -0.5f, 4.5f, 6.5f, 1, 1, 0, 0, {{0, 0, false, B, 0, 0},
     {3, 5, false, B, 0, 0}, {1, 0, true, 1, 0, 1}}},
    {"DividesByW", 4, 1, 0, 0.5f, -0.5f, -0.5f, 4.5f, 6.5f, 1, 1, 0, 0, {{1, 1, false, 2, 2, 1},
     {2, 0, false, B, 0, 0}}},
    {"AutoCropInclusiveX", 8, 1, 0, 1, 2, -0.5f, 5, 6.5f, 1, 1, 0, 0, {{1, 0, false, B, 0, 0},
     {2, 0, false, 2, 0, 1}, {5, 0, false, 5, 0, 1}, {6, 0, false, B, 0, 0}, {1, 0, true, B, 0, 0}}},
    {"AutoCropInclusiveY", 8, 1, 0, 1, -0.5f, 1, 8.5f, 3, 1, 1, 0, 0, {{0, 0, false, B, 0, 0},
     {0, 1, false, 0, 1, 1}, {0, 3, false, 0, 3, 1}, {0, 4, false, B, 0, 0}}},
    {"AutoScaleX", 8, 1, 0, 1, -0.5f, -0.5f, 8.5f, 6.5f, 2, 1, 0, 0, {{0, 0, false, 2, 0, 1},
     {7, 1, false, 5.5f, 1, 1}, {4, 2, false, 4, 2, 1}}},
    {"AutoScaleOddWidth", 7, 1, 0, 1, -0.5f, -0.5f, 7.5f, 6.5f, 2, 1, 0, 0, {{0, 0, false, 1.75f, 0, 1}}},
    {"AutoCentreX", 8, 1, 0, 1, -0.5f, -0.5f, 8.5f, 6.5f, 1, 1, 1.5f, 0, {{0, 0, false, 1.5f, 0, 1},
     {6, 0, false, 7, 0, 1}, {7, 0, false, B, 0, 0}}},
    // y1 = 2y - 4.
    {"AutoScaleAndCentreY", 8, 1, 0, 1, -0.5f, -0.5f, 8.5f, 6.5f, 1, 0.5f, 0, -1,
     {{0, 3, false, 0, 2, 1}, {0, 2, false, 0, 0, 1}, {0, 1, false, B, 0, 0}}},
    {"AutoCropTestsMappedPosition", 8, 1, 0, 1, -0.5f, -0.5f, 5, 6.5f, 1, 1, 3, 0, {{0, 0, false, 3, 0, 1},
     {2, 0, false, 5, 0, 1}, {3, 0, false, B, 0, 0}}},
};
// clang-format on

class KernelMapping : public ::testing::TestWithParam<std::tuple<Path, MapCase>> {};

TEST_P(KernelMapping, SamplesWhereTheMappingPoints) {
    const auto& [p, mc] = GetParam();
    const Frame left = makeFrame(p, mc.w, 6, rampPrimary);
    Frame dst(p, 2 * mc.w, 6, kUntouched);
    TransformKernelArgs a = test::neutralArgs(p, left, nullptr, dst, mc.w, 6, DISPLAY_SBS_FULL);
    a.inDemuxMode0 = DEMUX_NONE;
    a.inImageR = left.data(), a.inPitchR = mc.w;  // the right eye sees the same ramp, unmoved
    a.inL11 = mc.m11, a.inL13 = mc.m13, a.inL33 = mc.m33;
    a.inAutoCropL = mc.autoL, a.inAutoCropT = mc.autoT, a.inAutoCropR = mc.autoR, a.inAutoCropB = mc.autoB;
    a.inAutoScaleX = mc.scaleX, a.inAutoScaleY = mc.scaleY, a.inAutoCenterX = mc.centreX;
    a.inAutoCenterY = mc.centreY;
    test::runKernel(p, a);
    checkProbes(p, dst, mc.w, mc.probes);
}

INSTANTIATE_TEST_SUITE_P(Kernel, KernelMapping,
                         ::testing::Combine(::testing::Values(Path::CpuFloat, Path::DeviceFloat),
                                            ::testing::ValuesIn(kMapCases)),
                         [](const auto& i) {
                             return std::string(test::pathName(std::get<0>(i.param))) + "_" +
                                    std::get<1>(i.param).name;
                         });

// ---------------------------------------------------------------------------------------------
// Looking glass on a 1 x 1080 eye grid: centre (0, 540), radius 50% of 1080 / 2 = 270 pixels,
// border ring out to 272.

constexpr Rgba kLensLeft{10, 20, 30, 40}, kLensRight{110, 120, 130, 140};
enum class Region { Inside, Ring, Outside };
struct RegionProbe {
    int32_t y;
    Region region;
};
const RegionProbe kLensProbes[] = {{540, Region::Inside},  {810, Region::Inside},  {270, Region::Inside},
                                   {811, Region::Ring},    {812, Region::Ring},    {268, Region::Ring},
                                   {813, Region::Outside}, {267, Region::Outside}, {1079, Region::Outside}};

Rgba ringColour(Path p, int32_t border) {
    const float f = test::fullIntensity(p);
    return border == 1 ? Rgba{f, 0, 0, f} : border == 2 ? Rgba{0, f, 0, f} : Rgba{0, 0, f, f};
}

struct LensRun {
    Frame left, right, dst;
    TransformKernelArgs args;
    LensRun(Path p, int32_t display, int32_t border)
        : left(uniform(p, 1, 1080, kLensLeft)),
          right(uniform(p, 1, 1080, kLensRight)),
          dst(p, display == DISPLAY_SBS_FULL ? 2 : 1, display == DISPLAY_TB_FULL ? 2160 : 1080, kUntouched),
          args(test::neutralArgs(p, left, &right, dst, 1, 1080, display)) {
        args.inEnableAreaAlter = 1;
        args.inAreaAlterColor = border;
        args.inAreaAlterX = 0;
        args.inAreaAlterY = 50;
        args.inAreaAlterR = 50;
    }
};

class KernelLookingGlass : public ::testing::TestWithParam<std::tuple<Path, int32_t>> {};

TEST_P(KernelLookingGlass, LensRingAndOutside) {
    const auto [p, border] = GetParam();
    for (const int32_t display : {DISPLAY_SBS_FULL, DISPLAY_LEFT, DISPLAY_RIGHT}) {
        LensRun run(p, display, border);
        test::runKernel(p, run.args);
        for (const RegionProbe& q : kLensProbes) {
            Rgba wantL = kLensLeft, wantR = kLensRight;
            if (q.region == Region::Outside || (q.region == Region::Ring && border == 0)) wantR = kLensLeft;
            if (q.region == Region::Ring && border != 0) wantL = wantR = ringColour(p, border);
            const std::string where = "display " + std::to_string(display) + " row " + std::to_string(q.y);
            if (display == DISPLAY_LEFT) expectColour(p, run.dst.at(0, q.y), kLensLeft, where);  // no lens
            if (display == DISPLAY_RIGHT) expectColour(p, run.dst.at(0, q.y), kLensRight, where);
            if (display == DISPLAY_SBS_FULL) {
                expectColour(p, run.dst.at(0, q.y), wantL, where + " left");
                expectColour(p, run.dst.at(1, q.y), wantR, where + " right");
            }
        }
    }
}

TEST_P(KernelLookingGlass, RingIsPaintedWhereAutoCropRejects) {
    const auto [p, border] = GetParam();
    LensRun run(p, DISPLAY_SBS_FULL, border);
    run.args.inAutoCropB = 800;  // rows below 800 are rejected
    test::runKernel(p, run.args);
    const Rgba ring = border == 0 ? kBlack : ringColour(p, border);
    for (const int32_t col : {0, 1}) {
        expectColour(p, run.dst.at(col, 700), col == 0 ? kLensLeft : kLensRight, "kept, inside");
        expectColour(p, run.dst.at(col, 805), kBlack, "rejected, inside");
        expectColour(p, run.dst.at(col, 811), ring, "rejected, ring");
        expectColour(p, run.dst.at(col, 900), kBlack, "rejected, outside");
    }
}

INSTANTIATE_TEST_SUITE_P(Kernel, KernelLookingGlass,
                         ::testing::Combine(::testing::Values(Path::CpuFloat, Path::CpuByte,
                                                              Path::DeviceFloat),
                                            ::testing::Values(0, 1, 2, 3)),
                         [](const auto& i) {
                             return std::string(test::pathName(std::get<0>(i.param))) + "_Border" +
                                    std::to_string(std::get<1>(i.param));
                         });

// Outside the lens every two-eye code shows the left colour where it would show the right.
class KernelLensFlat : public ::testing::TestWithParam<std::tuple<Path, int32_t>> {};

TEST_P(KernelLensFlat, OutsideTheLensTheRightEyeShowsLeft) {
    const auto [p, display] = GetParam();
    LensRun run(p, display, 1);
    test::runKernel(p, run.args);
    // Where the right eye lands for eye row y (odd rows are right in the interlaced codes).
    const auto rightPos = [&](int32_t y) {
        if (display == DISPLAY_SBS_FULL) return std::pair<int32_t, int32_t>{1, y};
        if (display == DISPLAY_TB_FULL) return std::pair<int32_t, int32_t>{0, 1080 + y};
        return std::pair<int32_t, int32_t>{0, y};
    };
    const auto [oc, orow] = rightPos(901);
    expectColour(p, run.dst.at(oc, orow), kLensLeft, "outside");
    const auto [ic, irow] = rightPos(541);
    EXPECT_FALSE(run.dst.at(ic, irow) == asStored(p, kLensLeft)) << "inside the lens both eyes show";
}

INSTANTIATE_TEST_SUITE_P(Kernel, KernelLensFlat,
                         ::testing::Combine(::testing::Values(Path::CpuFloat, Path::CpuByte),
                                            ::testing::Values(3, 5, 6, 7, 8, 9, 10, 11, 12, 132)),
                         [](const auto& i) {
                             return std::string(test::pathName(std::get<0>(i.param))) + "_Code" +
                                    std::to_string(std::get<1>(i.param));
                         });

// ---------------------------------------------------------------------------------------------
// Colour rules on single colours: a 2 x 1 left frame (sampled between its columns when tx is
// fractional) and an optional uniform right frame.

struct ColourCase {
    const char* name;
    Path path;
    int32_t code, grayscale;
    Rgba left, leftNext;
    std::optional<Rgba> right;
    float tx;
    Rgba expected;        // at eye position (0, 0)
    float factor = 0.5f;  // onion-skin weight of the left eye
};
void PrintTo(const ColourCase& c, std::ostream* os) {
    *os << c.name;
}

// clang-format off
const ColourCase kColourCases[] = {
    {"OptimizedByteGreen100Blue200", Path::CpuByte, 8, 0, {9, 100, 200, 255}, {9, 100, 200, 255}, Rgba{1, 2,
     3, 4}, 0, {130, 2, 3, 255}},
    {"OptimizedFloatBlue", Path::CpuFloat, 8, 0, {0, 0, 1, 1}, {0, 0, 1, 1}, Rgba{0.1f, 0.2f, 0.3f, 0.5f}, 0,
     {0.3f, 0.2f, 0.3f, 1}},
    {"OptimizedFloatGreen", Path::CpuFloat, 8, 0, {0, 1, 0, 0.25f}, {0, 1, 0, 0.25f}, Rgba{0, 0.2f, 0.3f,
     0.5f}, 0, {0.7f, 0.2f, 0.3f, 0.5f}},
    {"OptimizedDeviceGreen", Path::DeviceFloat, 8, 0, {0, 1, 0, 0.25f}, {0, 1, 0, 0.25f}, Rgba{0, 0.2f, 0.3f,
     0.5f}, 0, {0.7f, 0.2f, 0.3f, 0.5f}},
    {"OnionBlendsAlpha", Path::CpuFloat, 10, 0, {1, 0, 0.5f, 1}, {1, 0, 0.5f, 1}, Rgba{0, 1, 0.5f, 0}, 0,
     {0.5f, 0.5f, 0.5f, 0.5f}},
    // The host render blends 0.5/0.5 whatever the weight says; the device kernels use it.
    {"OnionCpuFixedWeight", Path::CpuFloat, 10, 0, {1, 0, 0.5f, 1}, {1, 0, 0.5f, 1}, Rgba{0, 1, 0.5f, 0}, 0,
     {0.5f, 0.5f, 0.5f, 0.5f}, 0.25f},
    {"OnionDeviceWeight", Path::DeviceFloat, 10, 0, {1, 0, 0.5f, 1}, {1, 0, 0.5f, 1}, Rgba{0, 1, 0.5f, 0}, 0,
     {0.25f, 0.75f, 0.5f, 0.25f}, 0.25f},
    {"OnionBlendsAlphaDevice", Path::DeviceFloat, 10, 0, {1, 0, 0.5f, 1}, {1, 0, 0.5f, 1}, Rgba{0, 1, 0.5f,
     0}, 0, {0.5f, 0.5f, 0.5f, 0.5f}},
    {"DifferenceOfIdenticalEyes", Path::CpuFloat, 11, 0, {0.2f, 0.6f, 0.4f, 0.8f}, {0.2f, 0.6f, 0.4f, 0.8f},
     Rgba{0.2f, 0.6f, 0.4f, 0.8f}, 0, {0, 0, 0, 0.8f}},
    {"DifferenceOfIdenticalEyesByte", Path::CpuByte, 11, 0, {50, 150, 100, 200}, {50, 150, 100, 200},
     Rgba{50, 150, 100, 200}, 0, {0, 0, 0, 200}},
    {"AnaglyphNoSecondary", Path::CpuFloat, 7, 0, {0.6f, 0.5f, 0.4f, 0.7f}, {0.6f, 0.5f, 0.4f, 0.7f},
     std::nullopt, 0, {0.6f, 0, 0, 0.7f}},
    {"AnaglyphNoSecondaryByte", Path::CpuByte, 7, 0, {150, 120, 90, 180}, {150, 120, 90, 180}, std::nullopt,
     0, {150, 0, 0, 180}},
    {"AnaglyphNoSecondaryDevice", Path::DeviceFloat, 7, 0, {0.6f, 0.5f, 0.4f, 0.7f}, {0.6f, 0.5f, 0.4f,
     0.7f}, std::nullopt, 0, {0.6f, 0, 0, 0.7f}},
    {"GrayscaleTakesMax", Path::CpuFloat, 0, 1, {0.2f, 0.5f, 0.1f, 0.3f}, {0.2f, 0.5f, 0.1f, 0.3f},
     std::nullopt, 0, {0.5f, 0.5f, 0.5f, 0.3f}},
    {"GrayscaleTakesMaxRed", Path::CpuByte, 0, 1, {200, 10, 30, 90}, {200, 10, 30, 90}, std::nullopt, 0,
     {200, 200, 200, 90}},
    {"GrayscaleTakesMaxBlueRightEye", Path::DeviceFloat, 1, 1, {0, 0, 0, 0}, {0, 0, 0, 0}, Rgba{0.1f, 0.2f,
     0.9f, 0.4f}, 0, {0.9f, 0.9f, 0.9f, 0.4f}},
    // 8-bit stores truncate: 10.75 -> 10, 103, 2.25 -> 2, 200.75 -> 200; rounding would differ.
    {"ByteBilinearTruncates", Path::CpuByte, 0, 0, {10, 100, 0, 200}, {11, 104, 3, 201}, std::nullopt, 0.75f,
     {10, 103, 2, 200}},
    {"ByteOnionTruncates", Path::CpuByte, 10, 0, {11, 100, 0, 255}, {11, 100, 0, 255}, Rgba{12, 103, 1, 254},
     0, {11, 101, 0, 254}},
};
// clang-format on

class KernelColour : public ::testing::TestWithParam<ColourCase> {};

TEST_P(KernelColour, StoresTheCombinedColour) {
    const ColourCase& cc = GetParam();
    Frame left(cc.path, 2, 1, cc.left);
    left.set(1, 0, cc.leftNext);
    const Frame right(cc.path, 2, 1, cc.right.value_or(kBlack));
    Frame dst(cc.path, 2, 1, kUntouched);
    TransformKernelArgs a = test::neutralArgs(cc.path, left, cc.right ? &right : nullptr, dst, 2, 1, cc.code);
    a.inGrayscale = cc.grayscale;
    a.inFactor = cc.factor;
    translate(a, cc.tx, 0);
    test::runKernel(cc.path, a);
    const Rgba got = dst.at(0, 0);
    if (cc.path == Path::CpuByte) {
        EXPECT_EQ(got, cc.expected);  // exact bytes, no truncation applied to the expectation
    } else {
        expectColour(cc.path, got, cc.expected, "(0, 0)");
    }
}

INSTANTIATE_TEST_SUITE_P(Kernel, KernelColour, ::testing::ValuesIn(kColourCases),
                         [](const auto& i) { return std::string(i.param.name); });

// Half-float stores of a value just below 1.0: the OpenCL rounding goes toward zero to the
// largest half below 1.0, the CUDA rounding to nearest gives 1.0.
struct HalfCase {
    Path path;
    float tx;
    uint16_t bits;
};
void PrintTo(const HalfCase& c, std::ostream* os) {
    *os << c.path << " shift " << c.tx;
}

class KernelHalfStore : public ::testing::TestWithParam<HalfCase> {};

TEST_P(KernelHalfStore, RoundsAsTheBackEnd) {
    const HalfCase& hc = GetParam();
    const float belowOne = halfToFloat(0x3BFF);
    Frame src(hc.path, 2, 1, Rgba{belowOne, belowOne, belowOne, belowOne});
    src.set(1, 0, Rgba{1, 1, 1, 1});
    Frame dst(hc.path, 2, 1, kUntouched);
    TransformKernelArgs a = test::neutralArgs(hc.path, src, nullptr, dst, 2, 1, DISPLAY_LEFT);
    translate(a, hc.tx, 0);
    test::runKernel(hc.path, a);
    for (int ch = 0; ch < 4; ++ch) EXPECT_EQ(dst.halfBits(0, 0, ch), hc.bits) << "channel " << ch;
}

INSTANTIATE_TEST_SUITE_P(Kernel, KernelHalfStore,
                         ::testing::Values(HalfCase{Path::DeviceHalfTowardZero, 0.75f, 0x3BFF},  // 0.99988
                                           HalfCase{Path::DeviceHalfNearest, 0.75f, 0x3C00},
                                           HalfCase{Path::DeviceHalfTowardZero, 0.25f, 0x3BFF},  // 0.99963
                                           HalfCase{Path::DeviceHalfNearest, 0.25f, 0x3BFF}));

// ---------------------------------------------------------------------------------------------
// No crop value reads outside a frame. Windows past the frame's edges end at the edges;
// inverted and zero-width windows (nLimR <= nLimL) sample nothing. Frames are exact-size heap
// buffers, so the sanitizer build reports any stray read.

struct SafetyConfig {
    const char* name;
    int32_t eyeW, eyeH, demux0, chan0, demux1, chan1;
};
void PrintTo(const SafetyConfig& c, std::ostream* os) {
    *os << c.name;
}
enum class Window { Full, Empty, Partial };
struct SafetyCrop {
    float l, t, r, b;
    Window window;
};

// clang-format off
const SafetyCrop kSafetyCrops[] = {
    {-50, -20, 250, 300, Window::Full},
    {-12.5f, 0, 100, 100, Window::Full},
    {150, 0, 100, 100, Window::Empty},
    {0, 0, -50, 100, Window::Empty},
    {50, 0, 50, 100, Window::Empty},
    {100, 0, 100, 100, Window::Empty},
    {0, 0, 0, 100, Window::Empty},
    {70, 0, 30, 100, Window::Empty},
    {0, 100, 100, 100, Window::Empty},
    {0, 0, 100, -50, Window::Empty},
    {0, 150, 100, 100, Window::Empty},
    {0, 150, 100, 250, Window::Partial},  // a split frame's first half reaches into the second
    {25, 25, 75, 75, Window::Partial},
    {-200, 10, 40, 500, Window::Partial},
    {99, 99, 100, 100, Window::Partial},
};
// clang-format on

class KernelCropSafety : public ::testing::TestWithParam<std::tuple<Path, SafetyConfig>> {};

TEST_P(KernelCropSafety, ReadsStayInsideTheFrame) {
    const auto& [p, cfg] = GetParam();
    const Frame left = makeFrame(p, 6, 4, primaryAt);
    const Frame right = makeFrame(p, 6, 4, secondaryAt);
    const float steps[] = {-3, -1, -0.75f, -0.5f, -0.25f, 0, 0.25f, 0.5f, 0.75f, 1, 3};
    const bool anchoredWhole = cfg.demux0 == DEMUX_NONE && cfg.demux1 == DEMUX_NONE;
    for (const SafetyCrop& crop : kSafetyCrops) {
        for (const float scale : {1.0f, 1.6f}) {
            for (const float tx : steps) {
                for (const float ty : {-1.0f, -0.5f, 0.0f, 0.5f, 1.0f}) {
                    const auto render = [&](bool cropped) {
                        Frame dst(p, 2 * cfg.eyeW, cfg.eyeH, kUntouched);
                        TransformKernelArgs a =
                            test::neutralArgs(p, left, &right, dst, cfg.eyeW, cfg.eyeH, 3);
                        a.inDemuxMode0 = cfg.demux0, a.inDemuxChan0 = cfg.chan0;
                        a.inDemuxMode1 = cfg.demux1, a.inDemuxChan1 = cfg.chan1;
                        if (cropped) {
                            a.inCropLL = a.inCropRL = crop.l, a.inCropLT = a.inCropRT = crop.t;
                            a.inCropLR = a.inCropRR = crop.r, a.inCropLB = a.inCropRB = crop.b;
                        }
                        translate(a, tx, ty);
                        a.inL11 = a.inR11 = a.inL22 = a.inR22 = scale;
                        test::runKernel(p, a);
                        return dst;
                    };
                    const Frame got = render(true);
                    const Frame full = render(false);
                    const std::string where = "crop (" + std::to_string(crop.l) + ", " +
                                              std::to_string(crop.t) + ", " + std::to_string(crop.r) + ", " +
                                              std::to_string(crop.b) + ") scale " + std::to_string(scale) +
                                              " shift " + std::to_string(tx) + ", " + std::to_string(ty);
                    int failures = 0;
                    for (int32_t r = 0; r < got.height(); ++r) {
                        for (int32_t c = 0; c < got.width(); ++c) {
                            const Rgba v = got.at(c, r);
                            bool ok = v.a == 0 || (v.a >= 199.5f && v.a <= 240.5f);  // sampled or black
                            if (crop.window == Window::Empty) ok = v == kBlack;
                            if (crop.window == Window::Full && anchoredWhole) ok = v == full.at(c, r);
                            if (!ok && failures++ == 0)
                                ADD_FAILURE() << where << " at " << at(c, r) << ": " << v;
                        }
                    }
                    if (failures) return;
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kernel, KernelCropSafety,
    ::testing::Combine(::testing::Values(Path::CpuFloat, Path::CpuByte, Path::DeviceFloat,
                                         Path::DeviceHalfTowardZero),
                       ::testing::Values(SafetyConfig{"Whole", 6, 4, 0, 0, 0, 0},
                                         SafetyConfig{"Sbs50Both", 6, 4, 1, 0, 0, 0},
                                         SafetyConfig{"Sbs100Both", 3, 4, 2, 0, 0, 0},
                                         SafetyConfig{"Tb50Both", 6, 4, 3, 0, 0, 0},
                                         SafetyConfig{"Tb100Both", 6, 2, 4, 0, 0, 0},
                                         SafetyConfig{"SingleHalves", 6, 4, 1, 2, 2, 1})),
    [](const auto& i) {
        return std::string(test::pathName(std::get<0>(i.param))) + "_" + std::get<1>(i.param).name;
    });

// Crop values far beyond the sliders' range (a damaged project) still end the window at the
// frame's edges: the pixel limits must not overflow on their way to integers.
TEST(KernelCropSafety, HugeCropValuesEndAtTheFrameEdges) {
    for (const Path p : {Path::CpuFloat, Path::DeviceFloat}) {
        SCOPED_TRACE(test::pathName(p));
        const Frame src = makeFrame(p, 4, 2, primaryAt);
        Frame dst(p, 4, 2, kUntouched);
        TransformKernelArgs a = test::neutralArgs(p, src, nullptr, dst, 4, 2, DISPLAY_LEFT);
        a.inCropLL = a.inCropLT = -1e12f;
        a.inCropLR = a.inCropLB = 1e12f;
        test::runKernel(p, a);
        for (int32_t r = 0; r < 2; ++r) {
            for (int32_t c = 0; c < 4; ++c) EXPECT_EQ(dst.at(c, r), src.at(c, r)) << at(c, r);
        }
    }
}

}  // namespace
}  // namespace duovis
