// The CPU render as a host drives it: buffer placement, layer fetch times, the global
// display, parallax phases, lens ring, anaglyph maths and the copy-through fall-back.
#include "ModuleFixture.h"

namespace duovis::moduletest {
namespace {

constexpr int kW = 24;
constexpr int kH = 16;

// An instance set up in After Effects with a pattern input and a different pattern as the
// chosen secondary layer.
struct RenderSession : Session {
    RenderSession(const Deliverable& d, HostApp app = HostApp::AfterEffects)
        : Session(d, app),
          left(Layer::still(app == HostApp::AfterEffects ? patternArgb(kW, kH, 1, 12)
                                                         : patternBgra(kW, kH, 1))),
          right(Layer::still(app == HostApp::AfterEffects ? patternArgb(kW, kH, 90)
                                                          : patternBgra(kW, kH, 90))) {
        fx.setInput(left);
        EXPECT_EQ(fx.setUp(), PF_Err_NONE);
        fx.chooseLayer(kSecondaryLayer, &right);
    }
    World leftFrame() { return *fx.input().frameAt(0); }
    World rightFrame() { return *right.frameAt(0); }
    Layer left;
    Layer right;
};

// The w x h block of `world` starting at column x0 equals `expected`.
::testing::AssertionResult blockEquals(const World& world, int x0, const World& expected) {
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const auto* a = world.pixelBytes(x0 + x, y);
            const auto* b = expected.pixelBytes(x, y);
            if (std::memcmp(a, b, static_cast<std::size_t>(refhost::bytesPerPixel(world.format()))) != 0) {
                return ::testing::AssertionFailure() << "differs at (" << x0 + x << ", " << y << ")";
            }
        }
    return ::testing::AssertionSuccess();
}

class ModuleRender : public ::testing::TestWithParam<Deliverable> {};

TEST_P(ModuleRender, IdentityIsByteForByte) {
    SKIP_UNLESS_BUILT(GetParam());
    RenderSession s(GetParam());
    s.fx.params().setPopup(kDisplayType, kLeft);
    ASSERT_EQ(s.fx.renderFrame(), PF_Err_NONE);
    EXPECT_TRUE(s.fx.output().samePixels(s.leftFrame()));
    EXPECT_EQ(s.fx.calls().checkins, 1);
}

TEST_P(ModuleRender, SideBySideFillsTheGrownBuffer) {
    SKIP_UNLESS_BUILT(GetParam());
    RenderSession s(GetParam());
    s.fx.params().setPopup(kDisplayType, kSbs100);
    ASSERT_EQ(s.fx.renderFrame(), PF_Err_NONE);
    ASSERT_EQ(s.fx.output().width(), 2 * kW);
    EXPECT_TRUE(blockEquals(s.fx.output(), 0, s.leftFrame()));
    EXPECT_TRUE(blockEquals(s.fx.output(), kW, s.rightFrame()));
}

TEST_P(ModuleRender, WiderOutputIsCentredAndBordersKept) {
    SKIP_UNLESS_BUILT(GetParam());
    RenderSession s(GetParam());
    s.fx.params().setPopup(kDisplayType, kLeft);
    ASSERT_EQ(s.fx.frameSetup(), PF_Err_NONE);
    const PF_Pixel8 marker{1, 2, 3, 4};
    s.fx.supplyOutput(solidArgb(kW + 10, kH, marker));
    ASSERT_EQ(s.fx.render(), PF_Err_NONE);
    EXPECT_TRUE(blockEquals(s.fx.output(), 5, s.leftFrame()));
    for (int y = 0; y < kH; ++y)
        for (int x : {0, 1, 2, 3, 4, kW + 5, kW + 6, kW + 7, kW + 8, kW + 9}) {
            ASSERT_TRUE(sameArgb(s.fx.output().argb(x, y), marker)) << "border written at " << x << "," << y;
        }
}

TEST_P(ModuleRender, GrantedOutputTooSmallCopiesTheInput) {
    SKIP_UNLESS_BUILT(GetParam());
    RenderSession s(GetParam());
    s.fx.params().setPopup(kDisplayType, kSbs100);
    s.fx.faults().outputShrinkX = 1;
    ASSERT_EQ(s.fx.renderFrame(), PF_Err_NONE);
    EXPECT_EQ(s.fx.calls().copies, 1);
    EXPECT_TRUE(blockEquals(s.fx.output(), 0, s.leftFrame()));
    EXPECT_EQ(s.fx.calls().checkins, 1);
}

TEST_P(ModuleRender, CopyAndCheckoutFailuresAreReturned) {
    SKIP_UNLESS_BUILT(GetParam());
    {
        RenderSession s(GetParam());
        s.fx.params().setPopup(kDisplayType, kSbs100);
        s.fx.faults().outputShrinkX = 1;
        s.fx.faults().copyError = PF_Err_INTERNAL_STRUCT_DAMAGED;
        EXPECT_EQ(s.fx.renderFrame(), PF_Err_INTERNAL_STRUCT_DAMAGED);
    }
    {
        // A failed fetch still renders what the primary gives, and reports the fetch's code.
        RenderSession s(GetParam());
        s.fx.params().setPopup(kDisplayType, kLeft);
        s.fx.faults().checkoutError = PF_Err_OUT_OF_MEMORY;
        EXPECT_EQ(s.fx.renderFrame(), PF_Err_OUT_OF_MEMORY);
        EXPECT_TRUE(s.fx.output().samePixels(s.leftFrame()));
        EXPECT_EQ(s.fx.calls().checkins, 0);
    }
}

TEST_P(ModuleRender, GlobalDisplayOverridesTheInstance) {
    SKIP_UNLESS_BUILT(GetParam());
    RenderSession s(GetParam());
    s.fx.params().setPopup(kDisplayType, kAnaglyph);
    ASSERT_EQ(s.fx.renderFrame(), PF_Err_NONE);
    const World anaglyph = s.fx.output();
    ASSERT_FALSE(anaglyph.samePixels(s.leftFrame()));

    s.fx.params().setPopup(kDisplayType, kLeft);
    s.fx.loadSequenceData(record(1, kAnaglyph));
    ASSERT_EQ(s.fx.sequenceResetup(), PF_Err_NONE);
    ASSERT_EQ(s.fx.renderFrame(), PF_Err_NONE);
    EXPECT_TRUE(s.fx.output().samePixels(anaglyph));
}

TEST_P(ModuleRender, OptimizedAnaglyphRed) {
    SKIP_UNLESS_BUILT(GetParam());
    RenderSession s(GetParam());
    s.fx.input().setFrame(0, solidArgb(kW, kH, PF_Pixel8{255, 10, 100, 200}));
    s.right.setFrame(0, solidArgb(kW, kH, PF_Pixel8{255, 50, 60, 70}));
    s.fx.params().setPopup(kDisplayType, kAnaglyphOptimized);
    ASSERT_EQ(s.fx.renderFrame(), PF_Err_NONE);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            ASSERT_TRUE(sameArgb(s.fx.output().argb(x, y), PF_Pixel8{255, 130, 60, 70})) << x << "," << y;
        }
}

TEST_P(ModuleRender, LookingGlassRingIsOpaqueRedInBothEyes) {
    SKIP_UNLESS_BUILT(GetParam());
    RenderSession s(GetParam());
    s.fx.params().setPopup(kDisplayType, kSbs100);
    s.fx.params().setCheckbox(kLgEnable, true);
    s.fx.params().setFloat(kLgCenterX, 50);
    s.fx.params().setFloat(kLgCenterY, 50);
    s.fx.params().setFloat(kLgRadius, 50);  // radius kH / 4 = 4, ring out to 6
    ASSERT_EQ(s.fx.renderFrame(), PF_Err_NONE);
    const int cx = kW / 2, cy = kH / 2;
    const PF_Pixel8 red{255, 255, 0, 0};
    for (int dx : {5, -5, 6}) {
        EXPECT_TRUE(sameArgb(s.fx.output().argb(cx + dx, cy), red)) << "left eye, dx " << dx;
        EXPECT_TRUE(sameArgb(s.fx.output().argb(kW + cx + dx, cy), red)) << "right eye, dx " << dx;
    }
    // Inside the lens the eyes differ; outside the ring both show the left eye.
    EXPECT_TRUE(sameArgb(s.fx.output().argb(kW + cx, cy), s.rightFrame().argb(cx, cy)));
    EXPECT_TRUE(sameArgb(s.fx.output().argb(kW + 1, 1), s.leftFrame().argb(1, 1)));
}

INSTANTIATE_TEST_SUITE_P(Both, ModuleRender, ::testing::Values(kDuovisX, kDuovis),
                         [](const auto& tp) { return std::string(tp.param.name); });

struct OffsetCase {
    const char* label;
    double offset;
    A_long current, step, expected;
};

void PrintTo(const OffsetCase& c, std::ostream* os) {
    *os << c.label;
}

class ModuleFrameOffset : public ::testing::TestWithParam<std::tuple<Deliverable, OffsetCase>> {};

TEST_P(ModuleFrameOffset, FetchesTheSecondaryAtTheOffsetTime) {
    const auto& [d, c] = GetParam();
    SKIP_UNLESS_BUILT(d);
    RenderSession s(d);
    s.fx.time().currentTime = c.current;
    s.fx.time().timeStep = c.step;
    s.fx.time().timeScale = 2400;
    s.fx.params().setPopup(kDisplayType, kLeft);
    s.fx.params().setFloat(kFrameOffset, c.offset);
    ASSERT_EQ(s.fx.renderFrame(), PF_Err_NONE);
    ASSERT_EQ(s.fx.calls().checkouts.size(), 1u);
    const auto& fetch = s.fx.calls().checkouts[0];
    EXPECT_EQ(fetch.index, kSecondaryLayer);
    EXPECT_EQ(fetch.time, c.expected);
    EXPECT_EQ(fetch.timeStep, c.step);
    EXPECT_EQ(fetch.timeScale, 2400u);
}

const OffsetCase kOffsets[] = {
    {"PlusTwo", 2.0, 1000, 100, 1200},
    {"MinusOneAndHalf", -1.5, 1000, 100, 850},
    {"TruncatesTowardZero", -0.25, 10, 3, 9},
};

INSTANTIATE_TEST_SUITE_P(Cases, ModuleFrameOffset, forBothModules(kOffsets),
                         ModuleRowName<&std::decay_t<decltype(kOffsets[0])>::label>{});

struct ParallaxCase {
    const char* label;
    A_long frame;  // current_time / time_step
    bool showsLeft;
};

void PrintTo(const ParallaxCase& c, std::ostream* os) {
    *os << c.label;
}

class ModuleParallax : public ::testing::TestWithParam<std::tuple<Deliverable, ParallaxCase>> {};

TEST_P(ModuleParallax, AlternatesEyesOverSevenFrames) {
    const auto& [d, c] = GetParam();
    SKIP_UNLESS_BUILT(d);
    RenderSession s(d);
    s.fx.time().timeStep = 100;
    s.fx.time().currentTime = c.frame * 100;
    s.fx.params().setPopup(kDisplayType, kParallax);
    ASSERT_EQ(s.fx.renderFrame(), PF_Err_NONE);
    EXPECT_TRUE(s.fx.output().samePixels(c.showsLeft ? s.leftFrame() : s.rightFrame()));
}

const ParallaxCase kParallaxCases[] = {{"Frame10Left", 10, true},
                                       {"Frame11Right", 11, false},
                                       {"Frame7Left", 7, true},
                                       {"Frame13Right", 13, false}};

INSTANTIATE_TEST_SUITE_P(Cases, ModuleParallax, forBothModules(kParallaxCases),
                         ModuleRowName<&std::decay_t<decltype(kParallaxCases[0])>::label>{});

TEST(ModulePremiereRender, TooSmallOutputCopiesTheFloatInput) {
    SKIP_UNLESS_BUILT(kDuovisX);
    RenderSession s(kDuovisX, HostApp::Premiere);
    s.fx.params().setPopup(kDisplayType, kSbs100);
    ASSERT_EQ(s.fx.renderFrame(), PF_Err_NONE);
    ASSERT_EQ(s.fx.output().format(), PixelFormat::Bgra32f);
    EXPECT_EQ(s.fx.calls().copies, 1);
    EXPECT_TRUE(s.fx.output().samePixels(s.leftFrame()));
}

TEST(ModulePremiereRender, FloatIdentity) {
    SKIP_UNLESS_BUILT(kDuovisX);
    RenderSession s(kDuovisX, HostApp::Premiere);
    s.fx.params().setPopup(kDisplayType, kLeft);
    ASSERT_EQ(s.fx.renderFrame(), PF_Err_NONE);
    EXPECT_TRUE(s.fx.output().samePixels(s.leftFrame()));
}

}  // namespace
}  // namespace duovis::moduletest
