// The CPU render through the reference host, as an effect module: one thread against every
// core the host offers through its iterate service, on a 1920 x 1080 frame (where the bands
// pay off) and a 64 x 40 frame (which goes in one pass, so it must not get slower). The
// compositing host's 8-bit frames, both eyes rotated and keystoned with auto crop and scale.
// After the rows it prints each size's speed-up; the aim is at least 0.8 x N on 1080p.
#include "EffectInstance.h"
#include "core/params/ParamId.h"

#include <benchmark/benchmark.h>

#include <algorithm>

#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#ifndef DUOVISX_PATH
#error "DUOVISX_PATH must name the built module"
#endif

namespace duovis {
namespace {

using refhost::EffectInstance;
using refhost::HostApp;
using refhost::Layer;
using refhost::PixelFormat;
using refhost::World;

int allCores() {
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

World noise(int w, int h, std::uint32_t seed) {
    World world(w, h, PixelFormat::Argb8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const auto byte = [&](int shift) { return static_cast<A_u_char>(seed >> shift); };
            world.setArgb(x, y, PF_Pixel8{255, byte(8), byte(16), byte(24)});
        }
    return world;
}

// One applied effect per frame size, set up once, its output world allocated.
struct Frame {
    Frame(int w, int h) : module(DUOVISX_PATH), fx(module, HostApp::AfterEffects) {
        left = Layer::still(noise(w, h, 1));
        right = Layer::still(noise(w, h, 2));
        fx.setInput(left);
        if (fx.setUp() != PF_Err_NONE) throw std::runtime_error("set-up failed");
        fx.chooseLayer(SECONDARY_LAYER, &right);
        fx.params().setPopup(DISPLAY_TYPE, 8);  // anaglyph
        fx.params().setFloat(ROTATE_B, 3.0);
        fx.params().setFloat(HKEYSTONE_B, 10.0);
        fx.params().setCheckbox(AUTO_CROP, true);
        fx.params().setPopup(AUTO_SCALE, 3);  // scale to fill
        if (fx.frameSetup() != PF_Err_NONE) throw std::runtime_error("frame set-up failed");
    }
    refhost::Module module;
    EffectInstance fx;
    Layer left, right;
};

Frame& frame(int w, int h) {
    static std::map<std::pair<int, int>, std::unique_ptr<Frame>> frames;
    auto& f = frames[{w, h}];
    if (!f) f = std::make_unique<Frame>(w, h);
    return *f;
}

void BM_ThreadedRender(benchmark::State& state) {
    Frame& f = frame(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const int threads = state.range(2) > 0 ? static_cast<int>(state.range(2)) : allCores();
    f.fx.setWorkerThreads(threads);
    for (auto _ : state) {
        if (f.fx.render() != PF_Err_NONE) state.SkipWithError("render failed");
    }
    state.SetLabel(std::to_string(threads) + " thread" + (threads > 1 ? "s" : ""));
}

// 0 threads: every core.
BENCHMARK(BM_ThreadedRender)
    ->ArgNames({"w", "h", "threads"})
    ->Args({1920, 1080, 1})
    ->Args({1920, 1080, 0})
    ->Args({64, 40, 1})
    ->Args({64, 40, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Keeps each row's time so the speed-ups can follow the table.
class SpeedUpReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                times_[r.run_name.str()] = r.GetAdjustedRealTime();
    }
    void printSpeedUps() const {
        const int n = allCores();
        for (const char* size : {"w:1920/h:1080", "w:64/h:40"}) {
            const std::string base = std::string("BM_ThreadedRender/") + size + "/threads:";
            const auto one = times_.find(base + "1/real_time");
            const auto all = times_.find(base + "0/real_time");
            if (one == times_.end() || all == times_.end()) continue;
            std::printf(
                "%s: %d threads run %.2fx as fast as one (aim: %s)\n", size, n, one->second / all->second,
                size[2] == '1' ? (std::to_string(0.8 * n).substr(0, 4) + "x").c_str() : "1.00x or more");
        }
    }

  private:
    std::map<std::string, double> times_;
};

}  // namespace
}  // namespace duovis

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    duovis::SpeedUpReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printSpeedUps();
    benchmark::Shutdown();
    return 0;
}
