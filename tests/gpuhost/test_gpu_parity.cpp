// The same frames through the editing host's CPU render and its GPU filter on OpenCL, for
// every display type and a table of geometry, crop, swap, looking-glass and automatic
// settings, in float and half float. Where the CPU render departs by design (odd sizes,
// centring of a primary frame of another size), the difference is exactly the departure.
#include <iostream>
#include <map>

#include "GpuFixture.h"
#include "core/kernel/HalfFloat.h"

namespace duovis::gputest {
namespace {

constexpr int kW = 48;
constexpr int kH = 32;

// The OpenCL program runs with relaxed single-precision maths; its floats stay within a few
// tens of units in the last place of values around 1 (3.3e-6 seen on PoCL).
constexpr double kFloatBound = 5e-6;

using Entries = std::vector<std::pair<int, double>>;

struct ParityCase {
    std::string name;
    Entries entries;
    int primaryWidth = kW;  // the secondary is always kW x kH
    int64_t frame = 0;
};

void PrintTo(const ParityCase& c, std::ostream* os) {
    *os << c.name;
}

// The largest distance in half-float steps between a half-float render and a float render
// stored as the OpenCL program stores halves.
struct HalfSteps {
    int worst = 0;
    int x = -1, y = -1, channel = -1;
    float gpu = 0, cpu = 0;
    bool sameSize = true;
    std::string describe() const {
        static const char* names[] = {"blue", "green", "red", "alpha"};
        std::ostringstream os;
        os << "worst " << worst << " half steps";
        if (channel >= 0)
            os << " at (" << x << ", " << y << ") " << names[channel] << ": " << gpu << " vs " << cpu;
        return os.str();
    }
};

HalfSteps halfSteps(const World& gpu, const World& cpu) {
    HalfSteps h;
    h.sameSize = gpu.width() == cpu.width() && gpu.height() == cpu.height();
    if (!h.sameSize) return h;
    // Halves of one sign are ordered like their bit patterns; map them onto one number line.
    const auto ordinal = [](std::uint16_t bits) { return bits & 0x8000 ? -int(bits & 0x7FFF) : int(bits); };
    for (int y = 0; y < gpu.height(); ++y)
        for (int x = 0; x < gpu.width(); ++x) {
            const PF_Pixel_BGRA_32f p = gpu.bgra(x, y), q = cpu.bgra(x, y);
            const float g[4] = {p.blue, p.green, p.red, p.alpha}, c[4] = {q.blue, q.green, q.red, q.alpha};
            for (int ch = 0; ch < 4; ++ch) {
                const std::uint16_t gb =
                    floatToHalf(g[ch], HalfRounding::NearestEven);  // exact: already a half
                const std::uint16_t cb = floatToHalf(c[ch], HalfRounding::TowardZero);
                const bool nan = std::isnan(g[ch]) || std::isnan(c[ch]);
                int steps = nan ? 1 << 16 : std::abs(ordinal(gb) - ordinal(cb));
                // Near zero half steps are finer than the float renders' own difference.
                if (!nan && std::fabs(double(g[ch]) - double(halfToFloat(cb))) <= kFloatBound)
                    steps = std::min(steps, 1);
                if (steps > h.worst) h = HalfSteps{steps, x, y, ch, g[ch], c[ch], true};
            }
        }
    return h;
}

struct Worst {
    double value = 0;
    std::string where;
};

// One CPU and GPU pair for each suite keeps the device program built once.
class GpuPair : public SharedGpuSession {
  protected:
    static void TearDownTestSuite() {
        SharedGpuSession::TearDownTestSuite();
        for (const auto& [format, w] : worst_)
            std::cout << "[ parity  ] worst " << format << " difference " << w.value << " (" << w.where
                      << ")\n";
    }
    static void note(const std::string& format, double value, const std::string& where) {
        Worst& w = worst_[format];
        if (value >= w.value) w = Worst{value, where};
    }
    static inline std::map<std::string, Worst> worst_;
};

class GpuParity : public GpuPair, public ::testing::WithParamInterface<std::tuple<ParityCase, bool>> {};

// The CPU render of the editing host into an output of exactly `width` x `height`.
World cpuRender(GpuSession& s, Layer& primary, Layer& second, int64_t frame, int width, int height) {
    s.fx.setInput(primary);
    s.fx.chooseLayer(kSecondaryLayer, &second);
    s.fx.time().currentTime = A_long(frame);
    s.fx.time().timeStep = 1;
    EXPECT_EQ(s.fx.frameSetup(), PF_Err_NONE);
    s.fx.supplyOutput(World(width, height, PixelFormat::Bgra32f));
    EXPECT_EQ(s.fx.render(), PF_Err_NONE);
    s.fx.chooseLayer(kSecondaryLayer, nullptr);
    return s.fx.output();
}

TEST_P(GpuParity, CpuAndOpenClAgree) {
    const auto& [c, half] = GetParam();
    GpuSession& s = *session_;
    resetEntries(s.fx.params());
    for (const auto& [position, value] : c.entries) setEntry(s.fx.params(), position, value);

    const auto quantise = [half = half](World w) { return half ? halfRounded(w) : w; };
    Layer primary = Layer::generated(
        [&, w = c.primaryWidth](A_long t) { return quantise(contentBgra(w, kH, 1 + int(t) * 7)); });
    Layer second = Layer::generated([&](A_long t) { return quantise(contentBgra(kW, kH, 40 + int(t) * 7)); });

    GpuEffect::RenderOptions options;
    options.format = half ? PrPixelFormat_GPU_BGRA_4444_16f : PrPixelFormat_GPU_BGRA_4444_32f;
    s.effect.chooseLayer(&second);
    s.effect.timing().ticksPerFrame = kPrTicksPerSecond / 24;
    const GpuRenderResult gpu = s.effect.render(primary, c.frame, options);
    s.effect.chooseLayer(nullptr);
    ASSERT_EQ(gpu.error, suiteError_NoError);
    ASSERT_FALSE(gpu.output.empty());
    World cpu = cpuRender(s, primary, second, c.frame, gpu.output.width(), gpu.output.height());

    const std::string format = half ? "half" : "float";
    if (half) {
        // The OpenCL program stores halves rounded toward zero; the CPU render's floats are
        // compared after the same conversion, in half steps: one step apart where the two float
        // results straddle a half.
        const HalfSteps h = halfSteps(gpu.output, cpu);
        ASSERT_TRUE(h.sameSize);
        note(format, h.worst, c.name + ", " + h.describe());
        std::cout << "[ parity  ] " << c.name << " " << format << ": " << h.describe() << "\n";
        EXPECT_LE(h.worst, 1) << h.describe();
        return;
    }
    const Difference d = compare(gpu.output, cpu);
    ASSERT_TRUE(d.sameSize);
    note(format, d.worst, c.name + ", " + d.describe());
    std::cout << "[ parity  ] " << c.name << " " << format << ": " << d.describe() << "\n";
    EXPECT_LE(d.worst, kFloatBound) << d.describe();
}

std::vector<ParityCase> parityCases() {
    std::vector<ParityCase> cases;
    const Entries geometry = {{kHShiftB, 3}, {kVShiftR, -2}, {kRotateB, 2.5}, {kScaleB, 0.1}};
    // Every display type with a secondary layer and some geometry.
    static const char* displays[] = {
        "Left",         "Right",      "SideBySide50", "SideBySide100",     "TopBottom50",
        "TopBottom100", "Interlaced", "Anaglyph",     "AnaglyphOptimized", "AnaglyphGray",
        "OnionSkin",    "Difference", "Checkerboard", "Parallax"};
    for (int p = 1; p <= 14; ++p) {
        Entries e = geometry;
        e.push_back({kDisplayType, p});
        cases.push_back({std::string("Display") + displays[p - 1], e});
    }
    cases.push_back({"ParallaxRightPhase", {{kDisplayType, kParallax}}, kW, 4});

    const std::vector<std::pair<std::string, Entries>> settings = {
        {"Identity", {}},
        {"Transforms",
         {{kMasterHShift, 2},
          {kMasterScale, 0.2},
          {kHShiftL, -4},
          {kHScaleL, 0.15},
          {kRotateR, -3},
          {kHSkewL, 4},
          {kVSkewB, -3},
          {kHKeystoneB, 6},
          {kVKeystoneR, -5},
          {kFieldOfView, 60},
          {kFlipLH, 1}}},
        {"Crops", {{kCropBLeft, 5}, {kCropBTop, 10}, {kCropBRight, 90}, {kCropLLeft, 7}, {kCropRBottom, 92}}},
        {"Swap", {{kSwap, 1}, {kHShiftB, 4}}},
        {"LookingGlassRed",
         {{kLgEnable, 1}, {kLgCenterX, 40}, {kLgCenterY, 55}, {kLgRadius, 60}, {kLgBorder, 2}}},
        {"LookingGlassNone", {{kLgEnable, 1}, {kLgRadius, 40}, {kLgBorder, 1}, {kRotateB, 4}}},
        {"AutoFit", {{kAutoCrop, 1}, {kAutoCenter, 1}, {kAutoScale, 2}, {kRotateB, 3}, {kVShiftR, 3}}},
        {"AutoFillWithCrop",
         {{kAutoCrop, 1}, {kAutoScale, 3}, {kCropWithAuto, 1}, {kCropBLeft, 6}, {kHKeystoneB, 8}}},
        {"AutoStretch", {{kAutoCenter, 1}, {kAutoScale, 4}, {kHShiftB, 6}, {kVSkewB, 5}}},
        {"GrayscaleInterlacedOdd", {{kGrayscale, 1}, {kInterlaceOdd, 1}, {kRotateB, 1}}},
        {"FrameOffset", {{kFrameOffset, 2}, {kHShiftB, 2}}},
    };
    for (const auto& [name, entries] : settings) {
        for (A_long display : {A_long(kAnaglyph), A_long(kSbs100), A_long(7) /* Line Interlaced */}) {
            Entries e = entries;
            e.push_back({kDisplayType, display});
            cases.push_back({name + "In" + std::to_string(display), e, kW, 3});
        }
    }
    // Packed pairs in the primary frame, and eyes taken from halves of both layers.
    cases.push_back({"PrimarySideBySide50", {{kPrimaryDemux, 2}, {kDisplayType, kAnaglyph}, {kRotateB, 2}}});
    cases.push_back(
        {"PrimarySideBySide100", {{kPrimaryDemux, 4}, {kDisplayType, kSbs100}, {kHShiftB, 3}}, 2 * kW});
    cases.push_back({"PrimaryTopBottom50", {{kPrimaryDemux, 3}, {kDisplayType, kTb100}, {kCropBTop, 10}}});
    cases.push_back({"PrimaryTopBottom100", {{kPrimaryDemux, 5}, {kDisplayType, kAnaglyph}, {kSwap, 1}}});
    cases.push_back({"HalvesOfBothLayers",
                     {{kPrimaryDemux, 2},
                      {kPrimaryChannel, 3},
                      {kSecondaryDemux, 4},
                      {kSecondaryChannel, 1},
                      {kDisplayType, 11},
                      {kScaleB, -0.2}}});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, GpuParity,
                         ::testing::Combine(::testing::ValuesIn(parityCases()), ::testing::Bool()),
                         [](const auto& tp) {
                             return std::get<0>(tp.param).name + (std::get<1>(tp.param) ? "Half" : "Float");
                         });

// ---- Departures of the CPU render ----

class GpuDeparture : public GpuPair {};

// A picture whose blue channel is a straight ramp in x: bilinear sampling reproduces it
// exactly, so a shift of the sample position shows as a fixed difference.
World rampBgra(int w, int h) {
    World world(w, h, PixelFormat::Bgra32f);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            world.setBgra(x, y, PF_Pixel_BGRA_32f{0.1f + 0.01f * float(x), 0.5f, 0.5f, 1.0f});
    return world;
}

// With an odd frame width, the CPU samples the first half of a half-width pair half a pixel
// further left; the second half is sampled alike.
TEST_F(GpuDeparture, OddWidthHalfPairSamplesTheFirstHalfHalfAPixelLeft) {
    GpuSession& s = *session_;
    for (const int width : {47, 48}) {
        for (const A_long display : {A_long(kLeft), A_long(kRight)}) {
            resetEntries(s.fx.params());
            setEntry(s.fx.params(), kPrimaryDemux, 2);  // Side-By-Side(50%), both eyes from the primary
            setEntry(s.fx.params(), kDisplayType, display);
            Layer primary = Layer::still(rampBgra(width, 8));
            Layer none;
            const GpuRenderResult gpu = s.effect.render(primary, 0);
            ASSERT_EQ(gpu.error, suiteError_NoError);
            const World cpu = cpuRender(s, primary, none, 0, gpu.output.width(), gpu.output.height());
            const bool shifted = width % 2 == 1 && display == kLeft;
            // Blue is 0.1 + 0.01 x; half a pixel is 0.005. Column 0 reads the edge pixel either way.
            for (int y = 0; y < 8; ++y)
                for (int x = 1; x < width; ++x) {
                    const double diff = double(cpu.bgra(x, y).blue) - double(gpu.output.bgra(x, y).blue);
                    ASSERT_NEAR(diff, shifted ? -0.005 : 0.0, 1e-6)
                        << "width " << width << " display " << display << " at " << x << "," << y;
                }
            const Difference others = compare(cpu, gpu.output);
            std::cout << "[ parity  ] odd-width departure, width " << width << " display " << display << ": "
                      << others.describe() << "\n";
        }
    }
}

// A primary frame smaller than the eye grid the host reports is centred by the CPU render; the
// GPU render takes the frame's own bounds as the eye grid.
TEST_F(GpuDeparture, APrimaryFrameOfAnotherSizeIsCentredOnTheCpu) {
    GpuSession s;  // its own: the reported size stays with the instance
    ASSERT_EQ(s.effect.create(), suiteError_NoError);
    resetEntries(s.fx.params());
    setEntry(s.fx.params(), kDisplayType, kLeft);
    const World picture = contentBgra(40, 24, 5);
    Layer primary = Layer::still(picture);
    Layer none;
    const GpuRenderResult gpu = s.effect.render(primary, 0);
    ASSERT_EQ(gpu.error, suiteError_NoError);
    ASSERT_EQ(gpu.output.width(), 40);
    EXPECT_EQ(compare(gpu.output, picture).worst, 0.0);

    s.fx.setSourceSize(48, 32);
    const World cpu = cpuRender(s, primary, none, 0, 48, 32);
    const Difference inside = compare(cpu, gpu.output, 4, 4, 0, 0, 40, 24);
    std::cout << "[ parity  ] centred frame inside: " << inside.describe() << "\n";
    EXPECT_EQ(inside.worst, 0.0) << inside.describe();
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 48; ++x) {
            if (x >= 4 && x < 44 && y >= 4 && y < 28) continue;
            ASSERT_EQ(cpu.bgra(x, y).alpha, 0.0f) << "border at " << x << "," << y;
        }
}

}  // namespace
}  // namespace duovis::gputest
