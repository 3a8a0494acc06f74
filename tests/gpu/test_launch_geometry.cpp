// The work sizes of the two launches: the eye grid rounded up to whole 16 x 16 blocks.
#include "LaunchGeometry.h"

#include <gtest/gtest.h>

namespace duovis::gpu {
namespace {

struct SizeCase {
    int32_t eye;
    size_t openClGlobal;
    uint32_t cudaBlocks;
};

class LaunchGeometry : public ::testing::TestWithParam<SizeCase> {};

TEST_P(LaunchGeometry, RoundsUpToWholeBlocks) {
    const SizeCase& c = GetParam();
    EXPECT_EQ(openClGlobalSize(c.eye), c.openClGlobal) << "eye size " << c.eye;
    EXPECT_EQ(cudaGridSize(c.eye), c.cudaBlocks) << "eye size " << c.eye;
}

INSTANTIATE_TEST_SUITE_P(Sizes, LaunchGeometry,
                         ::testing::Values(SizeCase{1920, 1920, 120}, SizeCase{1080, 1088, 68},
                                           SizeCase{1921, 1936, 121}, SizeCase{0, 0, 0}, SizeCase{1, 16, 1},
                                           SizeCase{16, 16, 1}, SizeCase{17, 32, 2}, SizeCase{-3, 0, 0},
                                           SizeCase{3840, 3840, 240}));

}  // namespace
}  // namespace duovis::gpu
