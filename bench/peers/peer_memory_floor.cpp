// The least time one eye-sized frame can take on this machine: both eyes read once and one
// output written once, with no per-pixel work beyond combining the words, one thread. Per case
// the same bytes as the kernel moves: 4 per pixel for 8-bit ARGB, 16 for float BGRA.
#include "PeerSizes.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

void streamFrame(benchmark::State& state, int bytesPerPixel, peers::Size size) {
    const size_t words = size_t(size.w) * size_t(size.h) * size_t(bytesPerPixel) / sizeof(uint64_t);
    std::vector<uint64_t> left(words, 0x0102030405060708u), right(words, 0x1020304050607080u), dst(words);
    for (auto _ : state) {
        const uint64_t* l = left.data();
        const uint64_t* r = right.data();
        uint64_t* d = dst.data();
        for (size_t i = 0; i < words; ++i) d[i] = l[i] | r[i];
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(3 * words * sizeof(uint64_t)));
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    for (const peers::Size size : peers::kSizes) {
        for (const auto& format : {std::pair<const char*, int>{"Argb8", 4}, {"Bgra32f", 16}}) {
            const int bytes = format.second;
            benchmark::RegisterBenchmark(
                (std::string("BM_MemoryFloor/") + format.first + size.suffix).c_str(),
                [bytes, size](benchmark::State& s) { streamFrame(s, bytes, size); })
                ->Unit(benchmark::kMillisecond);
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
