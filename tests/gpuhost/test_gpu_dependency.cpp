// The frame of the secondary layer the filter asks the host for, and that it renders with.
#include "GpuFixture.h"

namespace duovis::gputest {
namespace {

constexpr PrTime kTicks25 = 10160640000;   // one frame at 25 frames a second
constexpr PrTime kTicks2997 = 8475667200;  // one frame at 29.97

struct DependencyCase {
    const char* what;
    bool layerChosen;
    double offset;
    int64_t clipFrame;
    int64_t durationFrames;
    bool expected;
    int64_t expectedOffset;  // frames from the render's own sequence time
    PrTime ticksPerFrame = kTicks25;
    PrTime clipStart = 0;
    const char* durationText = nullptr;  // overrides the host's property text
};

void PrintTo(const DependencyCase& c, std::ostream* os) {
    *os << c.what;
}

class GpuDependency : public ::testing::TestWithParam<DependencyCase> {};

TEST_P(GpuDependency, DeclaresTheOffsetFrameWithinTheDuration) {
    SKIP_WITHOUT_GPU_FILTER();
    const DependencyCase& c = GetParam();
    GpuSession s;
    ASSERT_EQ(s.effect.create(), suiteError_NoError);
    Layer second = Layer::still(contentBgra(4, 4, 2));
    if (c.layerChosen) s.effect.chooseLayer(&second);
    s.fx.params().setFloat(kFrameOffset, c.offset);
    s.effect.timing().ticksPerFrame = c.ticksPerFrame;
    s.effect.timing().clipStart = c.clipStart;
    s.effect.timing().durationFrames = c.durationFrames;
    if (c.durationText) s.host.faults().durationText = c.durationText;

    std::optional<PrGPUFilterFrameDependency> dep;
    ASSERT_EQ(s.effect.frameDependency(c.clipFrame, dep), suiteError_NoError);
    ASSERT_EQ(dep.has_value(), c.expected);
    EXPECT_EQ(s.host.outstandingBlocks(), 0) << "the duration text was not freed";
    if (!dep) return;
    EXPECT_EQ(dep->outTrackID, GpuEffect::kSecondaryTrack);
    EXPECT_EQ(dep->outSequenceTime, c.clipStart + (c.clipFrame + c.expectedOffset) * c.ticksPerFrame);
}

const DependencyCase kDependencies[] = {
    {"NoLayerChosen", false, 5, 10, 100, false, 0},
    {"OffsetForward", true, 5, 10, 100, true, 5},
    {"OffsetBeforeTheStart", true, -15, 10, 100, false, 0},
    {"OffsetPastTheEnd", true, 5, 98, 100, false, 0},
    {"OffsetOntoTheLastFrame", true, 2, 98, 100, true, 2},
    {"FractionTruncatedForward", true, 2.9, 10, 100, true, 2},
    {"FractionTruncatedBackward", true, -2.9, 10, 100, true, -2},
    {"ClipTimeBeyondTheDuration", true, 5, 120, 100, true, 0},
    {"ClipTimeBeforeZero", true, 5, -3, 100, true, 0},
    {"InTheSequence", true, 5, 10, 100, true, 5, kTicks25, 1000 * kTicks25},
    {"At2997", true, 1, 10, 100, true, 1, kTicks2997},
    {"DurationUnreadableAtFrameZero", true, 0, 0, 100, true, 0, kTicks25, 0, "not a number"},
    {"DurationUnreadableWithAnOffset", true, 3, 0, 100, false, 0, kTicks25, 0, "12abc"},
};

INSTANTIATE_TEST_SUITE_P(Cases, GpuDependency, ::testing::ValuesIn(kDependencies),
                         [](const auto& tp) { return std::string(tp.param.what); });

TEST(GpuDependencyRead, OffsetIsReadAtTheClipTime) {
    SKIP_WITHOUT_GPU_FILTER();
    GpuSession s;
    ASSERT_EQ(s.effect.create(), suiteError_NoError);
    Layer second = Layer::still(contentBgra(4, 4, 2));
    s.effect.chooseLayer(&second);
    s.effect.timing().clipStart = 77 * kTicks25;
    s.host.clearLog();
    std::optional<PrGPUFilterFrameDependency> dep;
    ASSERT_EQ(s.effect.frameDependency(10, dep), suiteError_NoError);
    const std::vector<std::string> log = s.host.log();
    const std::string offsetRead = "GetParam 22 " + std::to_string(10 * kTicks25);
    EXPECT_NE(std::find(log.begin(), log.end(), offsetRead), log.end()) << "no \"" << offsetRead << "\"";
}

TEST(GpuDependencyRead, AFailedDurationReadStillDeclaresFrameZero) {
    SKIP_WITHOUT_GPU_FILTER();
    GpuSession s;
    ASSERT_EQ(s.effect.create(), suiteError_NoError);
    Layer second = Layer::still(contentBgra(4, 4, 2));
    s.effect.chooseLayer(&second);
    s.host.faults().durationUnreadable = true;
    std::optional<PrGPUFilterFrameDependency> dep;
    ASSERT_EQ(s.effect.frameDependency(0, dep), suiteError_NoError);
    EXPECT_TRUE(dep.has_value());
    s.fx.params().setFloat(kFrameOffset, 1);
    ASSERT_EQ(s.effect.frameDependency(0, dep), suiteError_NoError);
    EXPECT_FALSE(dep.has_value());
}

// Frame m of the secondary layer is a flat picture of value m / 100, so the right eye shows
// which frame the host handed over.
TEST(GpuDependencyRender, TheDeclaredFrameIsTheOneRendered) {
    SKIP_WITHOUT_GPU_FILTER();
    GpuSession s;
    ASSERT_EQ(s.effect.create(), suiteError_NoError);
    Layer second = Layer::generated([](A_long time) {
        World w(8, 6, PixelFormat::Bgra32f);
        const float v = float(time) / 100.0f;
        w.fillBgra(PF_Pixel_BGRA_32f{v, v, v, 1.0f});
        return w;
    });
    Layer primary = Layer::still(contentBgra(8, 6, 1));
    s.effect.chooseLayer(&second);
    s.fx.params().setPopup(kDisplayType, kRight);
    for (const auto& [offset, expectedFrame] :
         std::vector<std::pair<double, int>>{{3, 13}, {-4.5, 6}, {0, 10}}) {
        s.fx.params().setFloat(kFrameOffset, offset);
        const GpuRenderResult r = s.effect.render(primary, 10);
        ASSERT_EQ(r.error, suiteError_NoError);
        ASSERT_EQ(r.frameCount, 2u);
        EXPECT_FLOAT_EQ(r.output.bgra(3, 2).green, float(expectedFrame) / 100.0f) << "offset " << offset;
    }
    // Without a declared frame the secondary eye is transparent black.
    s.fx.params().setFloat(kFrameOffset, -20);
    const GpuRenderResult r = s.effect.render(primary, 10);
    ASSERT_EQ(r.error, suiteError_NoError);
    EXPECT_EQ(r.frameCount, 1u);
    EXPECT_EQ(r.output.bgra(3, 2).alpha, 0.0f);
}

}  // namespace
}  // namespace duovis::gputest
