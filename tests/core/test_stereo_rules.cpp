// The kernel text's per-frame rules, as the devices, the CPU reference, the vector kernel's
// plan and the depth tools all take them.
#include "core/kernel/StereoRules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>

namespace duovis::stereo {
namespace {

struct RoundCase {
    float x;
    int halfAway, halfUp;
};

// floor(x + 0.5) takes the sum as a float, so a value just under a half that rounds up in the
// sum goes up; round() looks at x itself.
TEST(CropEdgeRounding, HalfAwayAndHalfUpDifferWhereTheyShould) {
    const RoundCase cases[] = {
        {2.5f, 3, 3},     {2.4f, 2, 2}, {-0.5f, -1, 0}, {-1.5f, -2, -1},
        {-0.4f, 0, 0},    {3.0f, 3, 3}, {0.0f, 0, 0},   {std::nextafter(0.5f, 0.0f), 0, 1},
        {-0.75f, -1, -1},
    };
    for (const RoundCase& c : cases) {
        EXPECT_EQ(roundCropEdge(c.x, 0), c.halfAway) << c.x;
        EXPECT_EQ(roundCropEdge(c.x, 1), c.halfUp) << c.x;
    }
}

struct LimitCase {
    const char* what;
    float pct;
    int split, second, size, want;
};

TEST(CropLimit, PercentagesOfTheEyesOwnHalfStayInTheFrame) {
    const LimitCase cases[] = {
        {"whole frame, right edge", 100, 0, 0, 10, 10},
        {"whole frame, a quarter", 25, 0, 0, 10, 3},  // 2.5 rounds up either way
        {"first half's right edge", 100, 1, 0, 10, 5},
        {"second half's left edge", 0, 1, 1, 10, 5},
        {"second half's right edge", 100, 1, 1, 10, 10},
        {"NaN counts as 0", NAN, 0, 0, 10, 0},
        {"NaN on the second half is still the frame's edge", NAN, 1, 1, 10, 0},
        {"far past the frame", 1e30f, 0, 0, 10, 10},
        {"far before it", -1e30f, 0, 0, 10, 0},
        {"infinite", INFINITY, 1, 1, 7, 7},
    };
    for (const LimitCase& c : cases) {
        for (const int halfUp : {0, 1}) {
            EXPECT_EQ(cropLimit(c.pct, c.split, c.second, c.size, halfUp), c.want)
                << c.what << ", " << halfUp;
        }
    }
}

struct PlacementCase {
    int demux0, chan0, demux1, chan1;
    int first, second;
};

TEST(Placement, DemuxSettingsPlaceBothJobs) {
    const PlacementCase cases[] = {
        {DEMUX_NONE, 0, DEMUX_NONE, 0, PLACE_WHOLE, PLACE_WHOLE},
        {DEMUX_SBS_HALF, 0, DEMUX_NONE, 0, PLACE_FIRST_HALF, PLACE_SECOND_OF_PAIR},
        {DEMUX_TB_FULL, 0, DEMUX_SBS_HALF, 1, PLACE_FIRST_HALF, PLACE_SECOND_OF_PAIR},
        {DEMUX_SBS_FULL, 1, DEMUX_TB_HALF, 0, PLACE_FIRST_HALF, PLACE_FIRST_HALF},
        {DEMUX_SBS_FULL, 2, DEMUX_TB_HALF, 1, PLACE_SECOND_HALF, PLACE_SECOND_HALF},
        {DEMUX_NONE, 2, DEMUX_SBS_HALF, 1, PLACE_WHOLE, PLACE_SECOND_HALF},
    };
    for (const PlacementCase& c : cases) {
        EXPECT_EQ(firstPlacement(c.demux0, c.chan0), c.first) << c.demux0 << "/" << c.chan0;
        EXPECT_EQ(secondPlacement(c.demux0, c.chan0, c.demux1, c.chan1), c.second)
            << c.demux0 << "/" << c.chan0 << " " << c.demux1 << "/" << c.chan1;
    }
    EXPECT_TRUE(splitsAcross(DEMUX_SBS_FULL, PLACE_SECOND_OF_PAIR));
    EXPECT_FALSE(splitsAcross(DEMUX_SBS_FULL, PLACE_WHOLE));
    EXPECT_TRUE(splitsDown(DEMUX_TB_HALF, PLACE_FIRST_HALF));
    EXPECT_FALSE(splitsDown(DEMUX_SBS_HALF, PLACE_FIRST_HALF));
}

// The squeezes fold positions i of the left eye into i / 2 and of the right eye into
// (n + i) / 2, left before right at each i. Exactly the store a single pass leaves last is kept.
TEST(SqueezeFold, KeepsExactlyTheLastStoreOfASinglePass) {
    for (int n = 1; n <= 13; ++n) {
        std::map<int, std::pair<int, bool>> last;  // destination: (position, right eye)
        for (int i = 0; i < n; ++i) {
            last[i / 2] = {i, false};
            last[(n + i) / 2] = {i, true};
        }
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(keepsFirstEyeFold(i, n) != 0, last[i / 2] == std::make_pair(i, false)) << n << " " << i;
            EXPECT_EQ(keepsSecondEyeFold(i, n) != 0, last[(n + i) / 2] == std::make_pair(i, true))
                << n << " " << i;
        }
    }
}

}  // namespace
}  // namespace duovis::stereo
