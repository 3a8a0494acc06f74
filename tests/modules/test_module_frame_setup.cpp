// Frame set-up: the output size and origin each host gets, with down-sampling and the
// global display in force.
#include "ModuleFixture.h"

namespace duovis::moduletest {
namespace {

struct FrameCase {
    const char* label;
    HostApp app;
    int fullWidth, fullHeight;
    A_long dsNum;
    A_u_long dsDen;
    A_long display, demux;
    A_long outWidth, outHeight, originH, originV;
};

void PrintTo(const FrameCase& c, std::ostream* os) {
    *os << c.label;
}

class ModuleFrameSetup : public ::testing::TestWithParam<std::tuple<Deliverable, FrameCase>> {};

TEST_P(ModuleFrameSetup, SizesTheOutput) {
    const auto& [d, c] = GetParam();
    SKIP_UNLESS_BUILT(d);
    Session s(d, c.app);
    s.fx.time() = refhost::HostTime{};
    s.fx.time().downsampleX = s.fx.time().downsampleY = PF_RationalScale{c.dsNum, c.dsDen};
    s.fx.time().timeScale = 24000;
    s.fx.time().timeStep = 1001;
    const int w = static_cast<int>(static_cast<A_u_long>(c.fullWidth * c.dsNum) / c.dsDen);
    const int h = static_cast<int>(static_cast<A_u_long>(c.fullHeight * c.dsNum) / c.dsDen);
    s.fx.setInput(Layer::still(World(w, h, s.fx.pixelFormat())));
    s.fx.setSourceSize(c.fullWidth, c.fullHeight);
    ASSERT_EQ(s.fx.setUp(), PF_Err_NONE);
    s.fx.params().setPopup(kDisplayType, c.display);
    s.fx.params().setPopup(kPrimaryDemux, c.demux);
    ASSERT_EQ(s.fx.frameSetup(), PF_Err_NONE);
    const PF_OutData& out = s.fx.outData();
    EXPECT_EQ(out.width, c.outWidth);
    EXPECT_EQ(out.height, c.outHeight);
    EXPECT_EQ(out.origin.h, c.originH);
    EXPECT_EQ(out.origin.v, c.originV);
}

const FrameCase kFrameCases[] = {
    {"TopBottom100", HostApp::AfterEffects, 1920, 1080, 1, 1, kTb100, 1, 1920, 2160, 0, 540},
    {"SbsDemuxSbsDisplay", HostApp::AfterEffects, 3840, 1080, 1, 1, kSbs100, 4, 3840, 1080, 0, 0},
    {"SbsDemuxLeft", HostApp::AfterEffects, 3840, 1080, 1, 1, kLeft, 4, 1920, 1080, -960, 0},
    {"HalfResolutionOddEye", HostApp::AfterEffects, 3842, 1080, 1, 2, kLeft, 4, 960, 540, -480, 0},
    {"TopBottomDemuxTb100", HostApp::AfterEffects, 1920, 2160, 1, 1, kTb100, 5, 1920, 2160, 0, 0},
    {"PremiereKeepsSize", HostApp::Premiere, 1920, 1080, 1, 1, kSbs100, 1, 1920, 1080, 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Cases, ModuleFrameSetup, forBothModules(kFrameCases),
                         ModuleRowName<&std::decay_t<decltype(kFrameCases[0])>::label>{});

class ModuleGlobalOverride : public ::testing::TestWithParam<Deliverable> {};

TEST_P(ModuleGlobalOverride, RestoredGlobalModeSizesEveryInstance) {
    const Deliverable& d = GetParam();
    SKIP_UNLESS_BUILT(d);
    Session s(d, HostApp::AfterEffects);
    s.fx.setInput(Layer::still(World(64, 36, PixelFormat::Argb8)));
    ASSERT_EQ(s.fx.setUp(), PF_Err_NONE);
    s.fx.params().setPopup(kDisplayType, kSbs100);
    ASSERT_EQ(s.fx.frameSetup(), PF_Err_NONE);
    EXPECT_EQ(s.fx.outData().width, 128);
    // A saved project with the global display on in "Anaglyph (Red/Cyan)" keeps the input size.
    s.fx.loadSequenceData(record(1, kAnaglyph));
    ASSERT_EQ(s.fx.sequenceResetup(), PF_Err_NONE);
    ASSERT_EQ(s.fx.frameSetup(), PF_Err_NONE);
    EXPECT_EQ(s.fx.outData().width, 64);
    EXPECT_EQ(s.fx.outData().height, 36);
}

INSTANTIATE_TEST_SUITE_P(Both, ModuleGlobalOverride, ::testing::Values(kDuovisX, kDuovis),
                         [](const auto& tp) { return std::string(tp.param.name); });

}  // namespace
}  // namespace duovis::moduletest
