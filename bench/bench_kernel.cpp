// The CPU stereo kernel on one 1920 x 1080 eye, float BGRA, one thread: identity geometry in
// four display codes, and a rotated, keystoned, auto-cropped and scaled case. Frame traffic is
// the minimum a frame needs: both eyes read once, the output written once.
#include "BenchCases.h"
#include "Codes.h"
#include "KernelSetup.h"
#include "StereoKernel.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace duovis {
namespace {

constexpr int32_t kW = 1920;
constexpr int32_t kH = 1080;

std::vector<float> makeFrame(int32_t w, int32_t h, uint32_t seed) {
    std::vector<float> f(size_t(w) * size_t(h) * 4);
    uint32_t s = seed;
    for (float& c : f) {
        s = s * 1664525u + 1013904223u;
        c = float(s >> 8) / float(1u << 24);
    }
    return f;
}

template <class Format>
void runCase(benchmark::State& state, const ParamValues& v, int displayCode, CpuPixelFormat format) {
    const int bytes = Format::kBytesPerPixel;
    const std::vector<float> left = makeFrame(kW, kH * bytes / 16, 1);
    const std::vector<float> right = makeFrame(kW, kH * bytes / 16, 2);
    const EyeSize eye{kW, kH};
    const OutputSize out = computeOutputSize(eye, displayCode);
    std::vector<float> dst(size_t(out.width) * size_t(out.height) * size_t(bytes) / sizeof(float));

    KernelFrames frames;
    frames.primary = KernelFrame{left.data(), kW, kW, kH};
    frames.secondary = KernelFrame{right.data(), kW, kW, kH};
    frames.destination = dst.data();
    frames.destinationPitch = out.width;
    const TransformKernelArgs args = fillKernelArgs(v, frames, displayCode, eye, out, 0);

    for (auto _ : state) {
        runCpuTransformKernel(args, format);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    const double pixels = double(kW) * kH;
    const double traffic = (2.0 * pixels + double(out.width) * out.height) * bytes;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(traffic));
    state.counters["ns_per_eye_px"] = benchmark::Counter(
        pixels * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["frame_MB"] = traffic / 1e6;
}

void BM_IdentityFloat(benchmark::State& state) {
    runCase<Bgra32f>(state, ParamValues::defaults(), int(state.range(0)), CpuPixelFormat::Bgra32f);
}
BENCHMARK(BM_IdentityFloat)
    ->ArgName("display")
    ->Arg(DISPLAY_LEFT)
    ->Arg(DISPLAY_SBS_FULL)
    ->Arg(DISPLAY_INTERLACED)
    ->Arg(DISPLAY_ANAGLYPH)
    ->Unit(benchmark::kMillisecond);

void BM_RotatedKeystonedAutoFloat(benchmark::State& state) {
    runCase<Bgra32f>(state, bench::rotatedKeystoned(), DISPLAY_ANAGLYPH, CpuPixelFormat::Bgra32f);
}
BENCHMARK(BM_RotatedKeystonedAutoFloat)->Unit(benchmark::kMillisecond);

// The compositing host's 8-bit path, for comparison.
void BM_IdentityArgb8(benchmark::State& state) {
    runCase<Argb8>(state, ParamValues::defaults(), DISPLAY_ANAGLYPH, CpuPixelFormat::Argb8);
}
BENCHMARK(BM_IdentityArgb8)->Unit(benchmark::kMillisecond);

// The floor for comparison: the same minimal frame traffic with no per-pixel work at all (read
// both eyes once, write one output), on this machine, in the same run.
void BM_TrafficFloor(benchmark::State& state) {
    const std::vector<float> left = makeFrame(kW, kH, 1);
    const std::vector<float> right = makeFrame(kW, kH, 2);
    std::vector<float> dst(left.size());
    for (auto _ : state) {
        for (size_t i = 0; i < dst.size(); ++i) dst[i] = left[i] * 0.5f + right[i] * 0.5f;
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    const double pixels = double(kW) * kH;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(3.0 * pixels * 16));
    state.counters["ns_per_eye_px"] = benchmark::Counter(
        pixels * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TrafficFloor)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace duovis

BENCHMARK_MAIN();
