#include "core/params/StereoPacking.h"

#include <gtest/gtest.h>

namespace duovis {
namespace {

struct PackingCase {
    Packing packing;
    int width, height;
    int demuxMode;  // 1-based "Demux Mode"
};

class DemuxForPacking : public ::testing::TestWithParam<PackingCase> {};

TEST_P(DemuxForPacking, OpensThePackedFrameAsItsShapeSays) {
    const PackingCase& c = GetParam();
    EXPECT_EQ(demuxModeForPacking(c.packing, c.width, c.height), c.demuxMode);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, DemuxForPacking,
    ::testing::Values(PackingCase{Packing::SideBySide, 1920, 1080, 2},  // squeezed halves
                      PackingCase{Packing::SideBySide, 3840, 1080, 4},  // two full pictures
                      PackingCase{Packing::SideBySide, 2500, 1000, 2},  // 2.5 is still squeezed
                      PackingCase{Packing::TopBottom, 1920, 1080, 3},
                      PackingCase{Packing::TopBottom, 1920, 2160, 5},
                      PackingCase{Packing::TopBottom, 1000, 1000, 3},
                      PackingCase{Packing::None, 3840, 1080, 1},
                      PackingCase{Packing::SideBySide, 0, 1080, 1},  // no division by 0
                      PackingCase{Packing::TopBottom, 1920, 0, 1}));

}  // namespace
}  // namespace duovis
