// The CPU stereo kernel on one eye, one thread: identity geometry in four display codes, and a
// rotated, keystoned, auto-cropped and scaled case, in float BGRA and the compositing host's
// 8-bit ARGB, at 1920 x 1080 and (names ending "/2160p") 3840 x 2160. Frame traffic is the
// minimum a frame needs: both eyes read once, the output written once. bench/compare reads these
// names, so a case keeps its name once it has one. Each case also runs on every instruction set
// this CPU has ("…/target:avx2"), and a closing table puts the default choice beside the fastest.
#include "BenchCases.h"
#include "core/frame/KernelSetup.h"
#include "core/kernel/CpuKernelDispatch.h"
#include "core/kernel/PixelFormats.h"
#include "core/params/Codes.h"

#include "core/kernel/FastStereoKernel.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace duovis {
namespace {

struct Size {
    int32_t w, h;
    const char* suffix;
};
constexpr Size kHd{1920, 1080, ""};
constexpr Size kUhd{3840, 2160, "/2160p"};

std::vector<float> makeFrame(int32_t w, int32_t h, uint32_t seed) {
    std::vector<float> f(size_t(w) * size_t(h) * 4);
    uint32_t s = seed;
    for (float& c : f) {
        s = s * 1664525u + 1013904223u;
        c = float(s >> 8) / float(1u << 24);
    }
    return f;
}

// The row's label: what one more run of the frame takes, as the kernel itself reports it.
std::string instructionSetThatRan(const TransformKernelArgs& args, CpuPixelFormat format,
                                  CpuKernelTarget target) {
    const CpuKernelPlan plan = planCpuKernel(
        args, format == CpuPixelFormat::Argb8 ? Argb8::kBytesPerPixel : Bgra32f::kBytesPerPixel);
    if (!plan.vectorisable) return "reference";
    FastKernelCounts counts;
    runFastCpuKernel(plan, format, {0, plan.eyeH}, target, &counts);
    return counts.target;
}

void runCase(benchmark::State& state, const ParamValues& v, int displayCode, CpuPixelFormat format, Size size,
             CpuKernelTarget target) {
    const int bytes = format == CpuPixelFormat::Argb8 ? Argb8::kBytesPerPixel : Bgra32f::kBytesPerPixel;
    const int32_t w = size.w, h = size.h;
    const std::vector<float> left = makeFrame(w, h * bytes / 16, 1);
    const std::vector<float> right = makeFrame(w, h * bytes / 16, 2);
    const EyeSize eye{w, h};
    const OutputSize out = computeOutputSize(eye, displayCode);
    std::vector<float> dst(size_t(out.width) * size_t(out.height) * size_t(bytes) / sizeof(float));

    KernelFrames frames;
    frames.primary = KernelFrame{left.data(), w, w, h};
    frames.secondary = KernelFrame{right.data(), w, w, h};
    frames.destination = dst.data();
    frames.destinationPitch = out.width;
    const TransformKernelArgs args = fillKernelArgs(v, frames, displayCode, eye, out, 0);

    for (auto _ : state) {
        runCpuTransformKernel(args, format, {}, target);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(instructionSetThatRan(args, format, target));
    const double pixels = double(w) * h;
    const double traffic = (2.0 * pixels + double(out.width) * out.height) * bytes;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(traffic));
    state.counters["ns_per_eye_px"] = benchmark::Counter(
        pixels * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["frame_MB"] = traffic / 1e6;
}

// The floor for comparison: the same minimal frame traffic with no per-pixel work at all (read
// both eyes once, write one output), on this machine, in the same run.
void BM_TrafficFloor(benchmark::State& state) {
    const std::vector<float> left = makeFrame(kHd.w, kHd.h, 1);
    const std::vector<float> right = makeFrame(kHd.w, kHd.h, 2);
    std::vector<float> dst(left.size());
    for (auto _ : state) {
        for (size_t i = 0; i < dst.size(); ++i) dst[i] = left[i] * 0.5f + right[i] * 0.5f;
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    const double pixels = double(kHd.w) * kHd.h;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(3.0 * pixels * 16));
    state.counters["ns_per_eye_px"] = benchmark::Counter(
        pixels * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

const std::string kTargetTag = "/target:";

// Keeps every row's time, then prints each case's default time beside its fastest forced target.
// One thread works, so its CPU time is the figure: other programs on a busy machine stretch the
// wall clock of whichever row they meet.
class TargetTable : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // With repetitions the median stands for the case, as in bench/compare.
        for (const Run& r : runs)
            if (!r.error_occurred && (r.run_type == Run::RT_Iteration || r.aggregate_name == "median"))
                times_[r.run_name.str()] = r.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::map<std::string, std::pair<std::string, double>> fastest;  // case: target, time
        for (const auto& [name, time] : times_) {
            const size_t tag = name.find(kTargetTag);
            if (tag == std::string::npos) continue;
            auto& best = fastest[name.substr(0, tag)];
            if (best.first.empty() || time < best.second) best = {name.substr(tag + kTargetTag.size()), time};
        }
        if (fastest.empty()) return;
        std::printf("\n%-44s %10s %10s %-8s %7s\n", "case (CPU time)", "default", "fastest", "target",
                    "ratio");
        for (const auto& [name, best] : fastest) {
            const auto own = times_.find(name);
            if (own == times_.end()) continue;
            std::printf("%-44s %10.3f %10.3f %-8s %7.3f\n", name.c_str(), own->second, best.second,
                        best.first.c_str(), own->second / best.second);
        }
    }

  private:
    std::map<std::string, double> times_;
};

struct Case {
    std::string name;
    ParamValues values;
    int displayCode;
    CpuPixelFormat format;  // Argb8 is the compositing host's 8-bit path
};

void registerAll() {
    std::vector<Case> cases;
    for (int code : {DISPLAY_LEFT, DISPLAY_SBS_FULL, DISPLAY_INTERLACED, DISPLAY_ANAGLYPH})
        cases.push_back({"BM_IdentityFloat/display:" + std::to_string(code), ParamValues::defaults(), code,
                         CpuPixelFormat::Bgra32f});
    cases.push_back({"BM_RotatedKeystonedAutoFloat", bench::rotatedKeystoned(), DISPLAY_ANAGLYPH,
                     CpuPixelFormat::Bgra32f});
    cases.push_back({"BM_IdentityArgb8", ParamValues::defaults(), DISPLAY_ANAGLYPH, CpuPixelFormat::Argb8});
    cases.push_back(
        {"BM_RotatedKeystonedAutoArgb8", bench::rotatedKeystoned(), DISPLAY_ANAGLYPH, CpuPixelFormat::Argb8});

    std::vector<std::string> targets = cpuKernelTargets();
    targets.insert(targets.begin(), "");  // the default choice, under the case's own name
    for (const Size size : {kHd, kUhd}) {
        for (const Case& c : cases) {
            for (const std::string& target : targets) {
                auto body = [c, size, target](benchmark::State& s) {
                    runCase(s, c.values, c.displayCode, c.format, size, *cpuKernelTarget(target));
                };
                const std::string name = c.name + size.suffix + (target.empty() ? "" : kTargetTag + target);
                benchmark::RegisterBenchmark(name.c_str(), body)->Unit(benchmark::kMillisecond);
            }
        }
    }
    benchmark::RegisterBenchmark("BM_TrafficFloor", BM_TrafficFloor)->Unit(benchmark::kMillisecond);
}

}  // namespace
}  // namespace duovis

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    duovis::registerAll();
    duovis::TargetTable table;
    benchmark::RunSpecifiedBenchmarks(&table);
    benchmark::Shutdown();
    return 0;
}
