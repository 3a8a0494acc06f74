// The GPU render's frames: output sizes by display, pitches, formats, the global display, and
// every way the render can fail without launching or leaking a frame.
#include "GpuFixture.h"

namespace duovis::gputest {
namespace {

class GpuRender : public SharedGpuSession {
  protected:
    void SetUp() override {
        SharedGpuSession::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        s().host.faults() = {};
        s().host.clearLog();
        for (int pos : {kDisplayType, kPrimaryDemux, kFrameOffset}) resetEntry(pos);
    }
    static void resetEntry(int pos) {
        const PF_ParamDef& d = s().fx.params().at(pos);
        if (d.param_type == PF_Param_POPUP) s().fx.params().setPopup(pos, d.u.pd.dephault);
        if (d.param_type == PF_Param_FLOAT_SLIDER) s().fx.params().setFloat(pos, d.u.fs_d.dephault);
    }
};

struct SizeCase {
    const char* what;
    int width, height;
    A_long primaryDemux;  // 1-based "Demux Mode"
    A_long display;
    int outWidth, outHeight;
};

void PrintTo(const SizeCase& c, std::ostream* os) {
    *os << c.what;
}

class GpuOutputSize : public GpuRender, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(GpuOutputSize, OutputFrameHasTheDisplaysSize) {
    const SizeCase& c = GetParam();
    s().fx.params().setPopup(kPrimaryDemux, c.primaryDemux);
    s().fx.params().setPopup(kDisplayType, c.display);
    Layer primary = Layer::still(contentBgra(c.width, c.height, 3));
    const GpuRenderResult r = s().effect.render(primary, 0);
    ASSERT_EQ(r.error, suiteError_NoError);
    EXPECT_EQ(r.output.width(), c.outWidth);
    EXPECT_EQ(r.output.height(), c.outHeight);
    EXPECT_EQ(s().host.liveFrames(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Displays, GpuOutputSize,
    ::testing::Values(SizeCase{"SideBySideFullIntoSideBySideFull", 64, 16, 4, kSbs100, 64, 16},
                      SizeCase{"SideBySideFullIntoTopBottomFull", 64, 16, 4, kTb100, 32, 32},
                      SizeCase{"TopBottomFullIntoLeft", 20, 30, 5, kLeft, 20, 15},
                      SizeCase{"OddWidthSideBySideFull", 33, 8, 4, kSbs100, 32, 8},
                      SizeCase{"NoDemuxAnaglyph", 17, 9, 1, kAnaglyph, 17, 9}),
    [](const auto& tp) { return std::string(tp.param.what); });

TEST_F(GpuRender, PaddedRowsAndHalfFloatsRenderTheSamePicture) {
    s().fx.params().setPopup(kDisplayType, kLeft);
    Layer primary = Layer::still(halfRounded(contentBgra(24, 12, 5)));
    const GpuRenderResult plain = s().effect.render(primary, 0);
    ASSERT_EQ(plain.error, suiteError_NoError);
    // Identity settings pass the input through untouched.
    Difference d = compare(plain.output, *primary.frameAt(0));
    EXPECT_EQ(d.worst, 0.0) << d.describe();

    for (const auto& [format, padding] :
         std::vector<std::pair<PrPixelFormat, int>>{{PrPixelFormat_GPU_BGRA_4444_32f, 3 * 16},
                                                    {PrPixelFormat_GPU_BGRA_4444_16f, 0},
                                                    {PrPixelFormat_GPU_BGRA_4444_16f, 5 * 8}}) {
        GpuEffect::RenderOptions options;
        options.format = format;
        options.rowPadding = padding;
        const GpuRenderResult r = s().effect.render(primary, 0, options);
        ASSERT_EQ(r.error, suiteError_NoError) << padding;
        d = compare(r.output, plain.output);
        EXPECT_EQ(d.worst, 0.0) << "format " << format << " padding " << padding << ": " << d.describe();
    }
}

// Rows that are not a whole number of pixels apart cannot be addressed by a pitch in pixels:
// such a frame would come out sheared.
TEST_F(GpuRender, RowsOfPartPixelsAreRefused) {
    Layer primary = Layer::still(contentBgra(24, 12, 5));
    GpuEffect::RenderOptions options;
    options.rowPadding = 40;
    const GpuRenderResult r = s().effect.render(primary, 0, options);
    EXPECT_EQ(r.error, suiteError_Fail);
    EXPECT_EQ(s().host.liveFrames(), 0u);
}

TEST_F(GpuRender, GlobalDisplayOverridesEveryInstance) {
    s().fx.params().setPopup(kDisplayType, kLeft);
    Layer primary = Layer::still(contentBgra(16, 8, 1));
    Layer second = Layer::still(contentBgra(16, 8, 9));
    s().effect.chooseLayer(&second);
    const GpuRenderResult own = s().effect.render(primary, 0);
    // The effect API restores a saved global display (once per fresh record) into the same
    // process; its global set-down ends it again.
    std::vector<std::uint8_t> record(8, 0);
    record[0] = 1;  // switch on
    record[4] = std::uint8_t(kAnaglyph);
    ASSERT_EQ(s().fx.globalSetdown(), PF_Err_NONE);
    s().fx.loadSequenceData(record);
    ASSERT_EQ(s().fx.sequenceResetup(), PF_Err_NONE);
    const GpuRenderResult forced = s().effect.render(primary, 0);
    ASSERT_EQ(s().fx.globalSetdown(), PF_Err_NONE);
    s().fx.params().setPopup(kDisplayType, kAnaglyph);
    const GpuRenderResult anaglyph = s().effect.render(primary, 0);
    s().effect.chooseLayer(nullptr);
    ASSERT_EQ(own.error, suiteError_NoError);
    ASSERT_EQ(forced.error, suiteError_NoError);
    EXPECT_GT(compare(own.output, anaglyph.output).worst, 0.1);
    EXPECT_EQ(compare(forced.output, anaglyph.output).worst, 0.0)
        << compare(forced.output, anaglyph.output).describe();
}

// ---- Failures: always 0x80000000, nothing launched, no frame left behind ----

std::size_t createdFrameDataCalls(const GpuHost& host) {
    std::size_t n = 0;
    for (const std::string& line : host.log()) n += line == "GetGPUPPixData" ? 1 : 0;
    return n;
}

TEST_F(GpuRender, NoInputFrameFails) {
    Layer empty;  // no frame at any time
    const GpuRenderResult r = s().effect.render(empty, 0);
    EXPECT_EQ(r.error, suiteError_Fail);
    EXPECT_EQ(r.frameCount, 0u);
    for (const std::string& line : s().host.log())
        EXPECT_EQ(line.rfind("CreateGPUPPix", 0), std::string::npos);
    EXPECT_EQ(s().host.liveFrames(), 0u);
}

struct OutputFault {
    const char* what;
    void (*fault)(refhost::gpu::GpuFaults&);
    bool outputPlace;
    std::size_t newFrameDataAsks;  // how often the render asked for a new frame's memory
    bool newFrameDisposed;         // the render gave a frame it made back to the host
};

void PrintTo(const OutputFault& f, std::ostream* os) {
    *os << f.what;
}

class GpuOutputFault : public GpuRender, public ::testing::WithParamInterface<OutputFault> {};

TEST_P(GpuOutputFault, FailsWithoutLaunchingOrLeaking) {
    const OutputFault& f = GetParam();
    if (f.fault) f.fault(s().host.faults());
    Layer primary = Layer::still(contentBgra(16, 8, 1));
    GpuEffect::RenderOptions options;
    options.outputPlace = f.outputPlace;
    const GpuRenderResult r = s().effect.render(primary, 0, options);
    EXPECT_EQ(r.error, suiteError_Fail);
    EXPECT_TRUE(r.output.empty());
    // The kernel writes only through the new frame's memory, which the render never had; a
    // frame it did create went back to the host.
    EXPECT_EQ(createdFrameDataCalls(s().host), f.newFrameDataAsks);
    const std::vector<std::string> log = s().host.log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "Dispose"), f.newFrameDisposed ? 1 : 0);
    EXPECT_EQ(s().host.liveFrames(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, GpuOutputFault,
    ::testing::Values(
        OutputFault{"CreationRefused",
                    [](refhost::gpu::GpuFaults& f) { f.createFrameError = suiteError_Fail; }, true, 0, false},
        OutputFault{"CreationGivesNoFrame", [](refhost::gpu::GpuFaults& f) { f.createFrameGivesNull = true; },
                    true, 0, false},
        OutputFault{"NewFrameHasNoMemory",
                    [](refhost::gpu::GpuFaults& f) { f.createdFrameDataRefused = true; }, true, 1, true},
        OutputFault{"NoPlaceForTheOutput", nullptr, false, 0, false}),
    [](const auto& tp) { return std::string(tp.param.what); });

TEST_F(GpuRender, FramesTheKernelCannotReadAreRefused) {
    const World picture = contentBgra(16, 8, 1);
    const auto deviceIndex = csSDK_uint32(gpuModules().device);
    PPixHand primary = s().host.uploadFrame(deviceIndex, picture, PrPixelFormat_GPU_BGRA_4444_32f);
    PPixHand halfSecond = s().host.uploadFrame(deviceIndex, picture, PrPixelFormat_GPU_BGRA_4444_16f);
    PPixHand out = nullptr;
    // A secondary frame in another format would be read with the wrong pixel size.
    const PPixHand mixed[] = {primary, halfSecond};
    EXPECT_EQ(s().effect.callRender(0, mixed, 2, &out), suiteError_Fail);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(s().host.liveFrames(), 2u);
    // A null first frame, or none at all.
    const PPixHand none[] = {nullptr, primary};
    EXPECT_EQ(s().effect.callRender(0, none, 2, &out), suiteError_Fail);
    EXPECT_EQ(s().effect.callRender(0, mixed, 0, &out), suiteError_Fail);
    EXPECT_EQ(s().host.liveFrames(), 2u);
    // The frames themselves were fine.
    const PPixHand alone[] = {primary};
    ASSERT_EQ(s().effect.callRender(0, alone, 1, &out), suiteError_NoError);
    ASSERT_NE(out, nullptr);
    s().host.disposeFrame(out);
    s().host.disposeFrame(primary);
    s().host.disposeFrame(halfSecond);
}

// The kernel reads float and half-float BGRA only; a frame in any other format would be read
// with the wrong layout, so the render refuses it before creating an output frame.
TEST_F(GpuRender, FormatsTheKernelDoesNotReadAreRefused) {
    const World picture = contentBgra(16, 8, 1);
    const auto deviceIndex = csSDK_uint32(gpuModules().device);
    for (const PrPixelFormat format :
         {PrPixelFormat(PrPixelFormat_BGRA_4444_32f), PrPixelFormat(PrPixelFormat_FOURCC('@', 'C', 'D', 'b')),
          PrPixelFormat(0)}) {
        PPixHand frame = s().host.uploadFrame(deviceIndex, picture, format);
        ASSERT_NE(frame, nullptr) << format;
        PPixHand out = nullptr;
        const PPixHand frames[] = {frame};
        EXPECT_EQ(s().effect.callRender(0, frames, 1, &out), suiteError_Fail) << format;
        EXPECT_EQ(out, nullptr) << format;
        EXPECT_EQ(s().host.liveFrames(), 1u) << format;
        s().host.disposeFrame(frame);
    }
}

TEST(GpuRenderSuites, ARefusedFrameSuiteFailsTheRenderInsteadOfCrashing) {
    SKIP_WITHOUT_GPU_FILTER();
    for (const char* suite :
         {"Premiere PPix Suite", "Premiere PPix 2 Suite", "MediaCore Video Segment Suite"}) {
        GpuSession s;
        s.host.faults().refusedSuites.insert(suite);
        ASSERT_EQ(s.effect.create(), suiteError_NoError) << suite;
        Layer primary = Layer::still(contentBgra(8, 4, 1));
        const GpuRenderResult r = s.effect.render(primary, 0);
        // Without the segment suite the defaults render; without a frame suite nothing can.
        if (std::string(suite) == "MediaCore Video Segment Suite") {
            EXPECT_EQ(r.error, suiteError_NoError) << suite;
        } else {
            EXPECT_EQ(r.error, suiteError_Fail) << suite;
        }
        EXPECT_EQ(s.host.liveFrames(), 0u) << suite;
    }
}

}  // namespace
}  // namespace duovis::gputest
