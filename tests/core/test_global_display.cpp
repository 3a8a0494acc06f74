#include "core/frame/GlobalDisplayState.h"
#include "core/params/Codes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace duovis {
namespace {

class GlobalDisplay : public ::testing::Test {
  protected:
    void SetUp() override { deleteGlobalDisplayState(); }
    void TearDown() override { deleteGlobalDisplayState(); }
};

TEST_F(GlobalDisplay, FirstAccessCreatesTheInitialRecord) {
    const GlobalDisplayState& s = globalDisplayState();
    EXPECT_EQ(s.resetupCount, 0);
    EXPECT_EQ(s.displaySwitch, -1);
    EXPECT_EQ(s.displayMode, 0);
    EXPECT_FLOAT_EQ(s.framesPerSecond, 29.97f);
    EXPECT_EQ(&globalDisplayState(), &s) << "one record per process";
}

TEST_F(GlobalDisplay, DeleteThenAccessStartsAfresh) {
    GlobalDisplayState& s = globalDisplayState();
    s.displaySwitch = 1;
    s.displayMode = 8;
    s.resetupCount = 3;
    s.framesPerSecond = 25;
    deleteGlobalDisplayState();
    const GlobalDisplayState& fresh = globalDisplayState();
    EXPECT_EQ(fresh.displaySwitch, -1);
    EXPECT_EQ(fresh.displayMode, 0);
    EXPECT_EQ(fresh.resetupCount, 0);
    EXPECT_FLOAT_EQ(fresh.framesPerSecond, 29.97f);
}

TEST_F(GlobalDisplay, DeleteWithoutRecordIsHarmless) {
    deleteGlobalDisplayState();
    deleteGlobalDisplayState();
    EXPECT_EQ(globalDisplayState().displaySwitch, -1);
}

struct InForceCase {
    int displaySwitch;
    int displayMode;
    int ownDisplayType;
    int expectedCode;
};

class DisplayCodeInForce : public ::testing::TestWithParam<InForceCase> {};

TEST_P(DisplayCodeInForce, FollowsTheGlobalSwitch) {
    const InForceCase c = GetParam();
    GlobalDisplayState s;
    s.displaySwitch = c.displaySwitch;
    s.displayMode = c.displayMode;
    EXPECT_EQ(displayCodeInForce(s, c.ownDisplayType), c.expectedCode);
}

INSTANTIATE_TEST_SUITE_P(GlobalDisplay, DisplayCodeInForce,
                         ::testing::Values(
                             // Off: every instance uses its own "Display Type".
                             InForceCase{-1, 8, 1, DISPLAY_LEFT}, InForceCase{-1, 0, 14, DISPLAY_PARALLAX},
                             InForceCase{0, 8, 3, DISPLAY_SBS_HALF},
                             // On: the global mode wins whatever the own value.
                             InForceCase{1, 8, 1, DISPLAY_ANAGLYPH}, InForceCase{1, 6, 3, DISPLAY_TB_FULL},
                             InForceCase{2, 14, 4, DISPLAY_PARALLAX},
                             // A mode that names no display type forces nothing.
                             InForceCase{1, 0, 4, DISPLAY_SBS_FULL},
                             InForceCase{1, 15, 7, DISPLAY_INTERLACED}, InForceCase{1, -3, 2, DISPLAY_RIGHT},
                             // An own value outside the popup reads as the default display type.
                             InForceCase{-1, 0, 0, DISPLAY_SBS_HALF},
                             InForceCase{-1, 0, 99, DISPLAY_SBS_HALF},
                             InForceCase{1, 0, 99, DISPLAY_SBS_HALF}));

TEST(DisplayCodes, EveryResultIsAStorableCode) {
    GlobalDisplayState s;
    // Every small value, and the extremes a damaged saved state can hold.
    std::vector<int32_t> values{INT32_MIN, INT32_MAX};
    for (int v = -2; v <= 16; ++v) values.push_back(v);
    for (int sw : {-1, 1}) {
        for (int32_t mode : values) {
            for (int32_t own : values) {
                s.displaySwitch = sw;
                s.displayMode = mode;
                EXPECT_TRUE(isDisplayTypeCode(displayCodeInForce(s, own))) << sw << " " << mode << " " << own;
            }
        }
    }
}

}  // namespace
}  // namespace duovis
