#pragma once
// Shared pieces of the GPU host tests: the DuovisX module and its GPU filter, loaded once per
// process so the device program is built once; sessions pairing the effect's CPU instance in
// the editing host with its GPU filter on the first OpenCL device; test pictures.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>

#include "EffectInstance.h"
#include "GpuEffect.h"

namespace duovis::gputest {

using refhost::EffectInstance;
using refhost::HostApp;
using refhost::Layer;
using refhost::Module;
using refhost::PixelFormat;
using refhost::World;
using refhost::gpu::DeviceTable;
using refhost::gpu::GpuEffect;
using refhost::gpu::GpuFilterModule;
using refhost::gpu::GpuHost;
using refhost::gpu::GpuRenderResult;

#ifndef DUOVISX_PATH
#define DUOVISX_PATH ""
#endif
#ifndef DUOVIS_PATH
#define DUOVIS_PATH ""
#endif
#ifndef DUOVIS_GPU_FILTER_BUILT
#define DUOVIS_GPU_FILTER_BUILT 0
#endif

// Positions of the entries the tests set.
enum Pos : int {
    kDisplayType = 5,
    kLgEnable = 7,
    kLgCenterX = 8,
    kLgCenterY = 9,
    kLgRadius = 10,
    kLgBorder = 11,
    kPrimaryDemux = 16,
    kPrimaryChannel = 17,
    kSecondaryLayer = 20,
    kSecondaryDemux = 21,
    kSecondaryChannel = 22,
    kFrameOffset = 23,
    kSwap = 26,
    kGrayscale = 27,
    kInterlaceOdd = 28,
    kAutoCrop = 31,
    kAutoCenter = 32,
    kAutoScale = 33,
    kFlipLH = 36,
    kCropBLeft = 44,
    kCropBTop = 45,
    kCropBRight = 46,
    kCropLLeft = 50,
    kCropRBottom = 59,
    kCropWithAuto = 61,
    kMasterHShift = 67,
    kMasterScale = 69,
    kHShiftB = 73,
    kHShiftL = 74,
    kVShiftR = 81,
    kScaleB = 97,
    kHScaleL = 104,
    kRotateB = 115,
    kRotateR = 117,
    kHSkewL = 122,
    kVSkewB = 127,
    kHKeystoneB = 133,
    kVKeystoneR = 141,
    kFieldOfView = 143,
};

// "Display Type" choices, 1-based as the effect API stores them.
enum Display : A_long { kLeft = 1, kRight = 2, kSbs100 = 4, kTb100 = 6, kAnaglyph = 8, kParallax = 14 };

// The module and its started GPU filter, for the whole test program.
struct GpuModules {
    std::unique_ptr<Module> module;
    std::unique_ptr<GpuFilterModule> filter;
    int device = -1;
    std::string skip;   // why the GPU tests cannot run here
    std::string error;  // why they should run but cannot
};

inline GpuModules& gpuModules() {
    static GpuModules* m = [] {
        auto* g = new GpuModules;
        if (std::string(DUOVISX_PATH).empty()) {
            g->skip = "DuovisX is not built";
        } else if (!DUOVIS_GPU_FILTER_BUILT) {
            g->skip = "DuovisX is built without the GPU kernel target (duovis_gpu_kernel)";
        } else if ((g->device = DeviceTable::instance().firstOf(PrGPUDeviceFramework_OpenCL)) < 0) {
            g->skip =
                "no OpenCL device: " + DeviceTable::instance().missingReason(PrGPUDeviceFramework_OpenCL);
        } else {
            try {
                g->module = std::make_unique<Module>(DUOVISX_PATH);
                g->filter = std::make_unique<GpuFilterModule>(*g->module);
            } catch (const std::exception& e) {
                g->error = e.what();
            }
        }
        return g;  // kept to the end: the filter caches device objects for the process
    }();
    return *m;
}

#define SKIP_WITHOUT_GPU_FILTER()                                          \
    do {                                                                   \
        if (!gpuModules().skip.empty()) GTEST_SKIP() << gpuModules().skip; \
        ASSERT_TRUE(gpuModules().error.empty()) << gpuModules().error;     \
    } while (0)

// The effect applied once in the editing host: its CPU instance (which registered the
// parameters and keeps their values) and its GPU filter on one device.
struct GpuSession {
    explicit GpuSession(csSDK_uint32 deviceIndex = csSDK_uint32(gpuModules().device))
        : fx(*gpuModules().module, HostApp::Premiere),
          effect(*gpuModules().filter, host, fx.params(), deviceIndex) {
        fx.setInput(Layer::still(World(1, 1, PixelFormat::Bgra32f)));
        EXPECT_EQ(fx.setUp(), PF_Err_NONE);
    }
    ~GpuSession() { fx.sequenceSetdown(); }
    EffectInstance fx;
    GpuHost host;
    GpuEffect effect;
};

// A suite whose tests share one session, so the device program is built once for all of them.
class SharedGpuSession : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!gpuModules().skip.empty() || !gpuModules().error.empty()) return;
        session_ = new GpuSession;
        ASSERT_EQ(session_->effect.create(), suiteError_NoError);
    }
    static void TearDownTestSuite() {
        delete session_;
        session_ = nullptr;
    }
    void SetUp() override {
        SKIP_WITHOUT_GPU_FILTER();
        ASSERT_NE(session_, nullptr);
    }
    static GpuSession& s() { return *session_; }
    static inline GpuSession* session_ = nullptr;
};

// Sets an entry by its kind: popups take 1-based choices, checkboxes 0 or 1, sliders values.
void setEntry(refhost::ParamStore& params, int position, double value);
// Every entry back at its default.
void resetEntries(refhost::ParamStore& params);

// Smooth ramps with a few hard edges in every channel, alpha included, different per seed;
// values stay within 0..1.
inline World contentBgra(int w, int h, int seed) {
    World world(w, h, PixelFormat::Bgra32f);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float fx = float(x) / float(w), fy = float(y) / float(h);
            const float edge = ((x / 5 + y / 3 + seed) % 3 == 0) ? 0.25f : 0.0f;
            world.setBgra(
                x, y,
                PF_Pixel_BGRA_32f{0.1f + 0.6f * fx + edge, 0.7f * fy + 0.05f * float(seed % 4),
                                  0.5f + 0.4f * std::sin(float(x + 2 * y + seed)), 0.6f + 0.4f * fx * fy});
        }
    return world;
}

// The same world with every channel rounded to the nearest half float, as a half-float frame
// holds it.
World halfRounded(const World& world);

// The largest channel difference between two float worlds, where and what.
struct Difference {
    double worst = 0;
    int x = -1, y = -1, channel = -1;
    float a = 0, b = 0;
    bool sameSize = true;
    std::string describe() const;
};
Difference compare(const World& a, const World& b, int ax = 0, int ay = 0, int bx = 0, int by = 0, int w = -1,
                   int h = -1);

}  // namespace duovis::gputest
