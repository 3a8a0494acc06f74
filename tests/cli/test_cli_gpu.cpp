// `duovis render --engine`: the editing host's GPU filter on OpenCL against its CPU render, and
// the engines it refuses.
#include "CliFixture.h"

#ifndef DUOVIS_GPU_FILTER_BUILT
#define DUOVIS_GPU_FILTER_BUILT 0
#endif

namespace duovis::clitest {
namespace {

// 16-bit pictures keep the float host's precision through the files.
QImage deepPattern(int w, int h, int seed) {
    QImage img(w, h, QImage::Format_RGBA64);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixelColor(x, y,
                              QColor::fromRgba64(quint16((x * 1900 + seed * 300) % 65536),
                                                 quint16((y * 3100 + seed * 7000) % 65536),
                                                 quint16(((x ^ y) * 2500 + seed) % 65536), 65535));
    return img;
}

int maxDeepDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgba64 p = a.pixelColor(x, y).rgba64(), q = b.pixelColor(x, y).rgba64();
            worst = std::max(
                {worst, std::abs(int(p.red()) - int(q.red())), std::abs(int(p.green()) - int(q.green())),
                 std::abs(int(p.blue()) - int(q.blue())), std::abs(int(p.alpha()) - int(q.alpha()))});
        }
    return worst;
}

class CliGpu : public CliTest {
  protected:
    void SetUp() override {
        CliTest::SetUp();
        if (!DUOVIS_GPU_FILTER_BUILT) GTEST_SKIP() << "DuovisX is built without the GPU kernel target";
        ASSERT_TRUE(deepPattern(40, 24, 1).save(path("dl.png")));
        ASSERT_TRUE(deepPattern(40, 24, 5).save(path("dr.png")));
    }
};

QStringList gpuBase(const char* display) {
    return {"render", "dl.png",      "--second", "dr.png",
            "--host", "premiere",    "-p",       QString("Display Type=") + display,
            "-p",     "ROTATE_B=3",  "-p",       "HSHIFT_PCT_R=2",
            "-p",     "Auto Crop=on"};
}

TEST_F(CliGpu, OpenClRendersWhatTheCpuRenders) {
    for (const char* display : {"Anaglyph (Optimized)", "Checkerboard"}) {
        const Result gpu = run(gpuBase(display) + QStringList{"--engine", "opencl", "-o", "gpu.png"});
        if (gpu.exitCode != 0 && gpu.err.contains("no OpenCL"))
            GTEST_SKIP() << gpu.err.trimmed().toStdString();
        ASSERT_EQ(gpu.exitCode, 0) << gpu.err.toStdString();
        ASSERT_EQ(run(gpuBase(display) + QStringList{"--engine", "cpu", "-o", "cpu.png"}).exitCode, 0);
        const int diff = maxDeepDifference(QImage(path("gpu.png")), QImage(path("cpu.png")));
        std::cout << "[ cli gpu ] " << display << ": worst 16-bit step " << diff << "\n";
        EXPECT_GE(diff, 0) << display;
        EXPECT_LE(diff, 1) << display;
    }
}

// The GPU filter makes its own output frame at the display's size; the CPU render gets a frame
// of the input's size from the editing host and passes the input through.
TEST_F(CliGpu, OpenClMakesTheDoubleWidthFrameTheCpuHasNoRoomFor) {
    const Result gpu =
        run(gpuBase("Side-By-Side(100%)") + QStringList{"--engine", "opencl", "-o", "gpu.png"});
    if (gpu.exitCode != 0 && gpu.err.contains("no OpenCL")) GTEST_SKIP() << gpu.err.trimmed().toStdString();
    ASSERT_EQ(gpu.exitCode, 0) << gpu.err.toStdString();
    ASSERT_EQ(run(gpuBase("Side-By-Side(100%)") + QStringList{"-o", "cpu.png"}).exitCode, 0);
    EXPECT_EQ(QImage(path("gpu.png")).size(), QSize(80, 24));
    EXPECT_EQ(maxDeepDifference(QImage(path("cpu.png")), QImage(path("dl.png"))), 0);
}

struct EngineRefusal {
    const char* what;
    QStringList args;
    const char* message;
};

void PrintTo(const EngineRefusal& r, std::ostream* os) {
    *os << r.what;
}

class CliEngineRefusal : public CliTest, public ::testing::WithParamInterface<EngineRefusal> {};

TEST_P(CliEngineRefusal, SaysWhyInOneLineAndWritesNothing) {
    const Result r = run(QStringList{"render", "left.png", "-o", path("out.png")} + GetParam().args);
    if (r.exitCode == 0 && QString(GetParam().what) == "CudaWithoutADevice") {
        GTEST_SKIP() << "a CUDA device is present";
    }
    EXPECT_NE(r.exitCode, 0);
    const QStringList lines = r.err.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1) << r.err.toStdString();
    EXPECT_TRUE(lines[0].startsWith("duovis: ")) << r.err.toStdString();
    EXPECT_TRUE(lines[0].contains(GetParam().message)) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("out.png")));
}

INSTANTIATE_TEST_SUITE_P(
    Engines, CliEngineRefusal,
    ::testing::Values(
        EngineRefusal{"CudaWithoutADevice", {"--host", "premiere", "--engine", "cuda"}, "--engine cuda: "},
        EngineRefusal{
            "OpenClInTheCompositingHost", {"--host", "ae", "--engine", "opencl"}, "needs --host premiere"},
        EngineRefusal{"OpenClByDefaultHost", {"--engine", "opencl"}, "needs --host premiere"},
        EngineRefusal{"UnknownEngine", {"--host", "premiere", "--engine", "metal"}, "cpu, opencl, cuda"},
        EngineRefusal{"ModuleWithoutGpuFilter",
                      {"--host", "premiere", "--engine", "opencl", "--plugin", "Duovis"},
                      "no GPU filter"}),
    [](const auto& tp) { return std::string(tp.param.what); });

}  // namespace
}  // namespace duovis::clitest
