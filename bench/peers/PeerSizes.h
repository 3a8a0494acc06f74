#pragma once
// The frame sizes the peers run at, named as bench_kernel names its cases, so bench/compare can
// pair each peer row with ours.

#include <cstdint>

namespace peers {

struct Size {
    int32_t w, h;
    const char* suffix;
};
constexpr Size kSizes[] = {{1920, 1080, ""}, {3840, 2160, "/2160p"}};

}  // namespace peers
