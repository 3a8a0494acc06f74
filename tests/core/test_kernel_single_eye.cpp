// The single-eye display codes sample one eye only; what they store must still be exactly the
// eye that the side-by-side code shows in that half.
#include "KernelTestFrames.h"
#include "core/params/Codes.h"

#include <gtest/gtest.h>

namespace duovis::test {
namespace {

constexpr int32_t kW = 9, kH = 5;

struct Row {
    int code;
    bool lens;   // the looking glass on, with a ring
    bool right;  // the code shows the right eye
};

Frame render(Path path, const Frame& left, const Frame& right, int code, bool lens, bool swap) {
    Frame out(path, code == DISPLAY_SBS_FULL ? 2 * kW : kW, kH);
    TransformKernelArgs a = neutralArgs(path, left, &right, out, kW, kH, code);
    a.inSwapLR = swap ? 1 : 0;
    a.inEnableAreaAlter = lens ? 1 : 0;
    a.inAreaAlterColor = 2;
    a.inAreaAlterR = 40;
    runKernel(path, a);
    return out;
}

TEST(KernelSingleEye, StoresTheSideBySideHalfOfItsEye) {
    // Left and Right store the eyes before the looking glass, the parallax phases after it.
    const Row rows[] = {{DISPLAY_LEFT, false, false},          {DISPLAY_RIGHT, false, true},
                        {DISPLAY_PARALLAX_LEFT, false, false}, {DISPLAY_PARALLAX_RIGHT, false, true},
                        {DISPLAY_PARALLAX_LEFT, true, false},  {DISPLAY_PARALLAX_RIGHT, true, true}};
    for (Path path : {Path::CpuFloat, Path::CpuByte, Path::DeviceFloat, Path::DeviceHalfTowardZero}) {
        const float f = fullIntensity(path);
        Frame left(path, kW, kH), right(path, kW, kH);
        for (int32_t r = 0; r < kH; ++r) {
            for (int32_t c = 0; c < kW; ++c) {
                left.set(c, r, Rgba{f * float(c) / kW, f * float(r) / kH, 0, f});
                right.set(c, r, Rgba{0, f * float(c) / kW, f * float(r) / kH, f});
            }
        }
        for (const Row& row : rows) {
            for (bool swap : {false, true}) {
                const Frame got = render(path, left, right, row.code, row.lens, swap);
                const Frame both = render(path, left, right, DISPLAY_SBS_FULL, row.lens, swap);
                for (int32_t r = 0; r < kH; ++r) {
                    for (int32_t c = 0; c < kW; ++c) {
                        ASSERT_EQ(got.at(c, r), both.at(row.right ? kW + c : c, r))
                            << path << " code " << row.code << " lens " << row.lens << " swap " << swap
                            << " at " << c << "," << r;
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace duovis::test
