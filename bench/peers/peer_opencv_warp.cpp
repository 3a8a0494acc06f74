// OpenCV's warpPerspective on both eyes of a pair, bilinear, one thread: the projective
// resampling a user would otherwise script for a rotated and keystoned pair. Each eye is turned
// 3 degrees about its centre, keystoned horizontally by 10 % of its width and scaled up 6 % so
// the corners stay filled, the work of bench_kernel's rotated case. Float BGRA and 8-bit
// four-channel frames.
#include "PeerSizes.h"

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <string>

namespace {

cv::Matx33d eyeWarp(peers::Size size) {
    const double cx = size.w / 2.0, cy = size.h / 2.0, angle = 3.0 * CV_PI / 180.0, scale = 1.06;
    const cv::Matx33d toCentre(1, 0, -cx, 0, 1, -cy, 0, 0, 1);
    const cv::Matx33d turn(scale * std::cos(angle), -scale * std::sin(angle), 0, scale * std::sin(angle),
                           scale * std::cos(angle), 0, 0, 0, 1);
    // One edge 5 % taller and the other 5 % shorter.
    const cv::Matx33d keystone(1, 0, 0, 0, 1, 0, 0.10 / size.w, 0, 1);
    const cv::Matx33d back(1, 0, cx, 0, 1, cy, 0, 0, 1);
    return back * keystone * turn * toCentre;
}

void warpBothEyes(benchmark::State& state, int type, peers::Size size) {
    cv::Mat left(size.h, size.w, type), right(size.h, size.w, type), outLeft, outRight;
    cv::RNG rng(1);
    rng.fill(left, cv::RNG::UNIFORM, 0, type == CV_8UC4 ? 256 : 1);
    rng.fill(right, cv::RNG::UNIFORM, 0, type == CV_8UC4 ? 256 : 1);
    const cv::Matx33d warp = eyeWarp(size);
    const cv::Size out(size.w, size.h);
    for (auto _ : state) {
        cv::warpPerspective(left, outLeft, warp, out, cv::INTER_LINEAR, cv::BORDER_CONSTANT);
        cv::warpPerspective(right, outRight, warp, out, cv::INTER_LINEAR, cv::BORDER_CONSTANT);
        benchmark::DoNotOptimize(outLeft.data);
        benchmark::DoNotOptimize(outRight.data);
        benchmark::ClobberMemory();
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    cv::setNumThreads(0);  // no worker threads: everything on the calling thread
    for (const peers::Size size : peers::kSizes) {
        for (const auto& format : {std::pair<const char*, int>{"Argb8", CV_8UC4}, {"Bgra32f", CV_32FC4}}) {
            const int type = format.second;
            benchmark::RegisterBenchmark(
                (std::string("BM_WarpPerspectiveTwoEyes/") + format.first + size.suffix).c_str(),
                [type, size](benchmark::State& s) { warpBothEyes(s, type, size); })
                ->Unit(benchmark::kMillisecond);
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
