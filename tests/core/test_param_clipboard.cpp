// The clipboard text's line order and number format, and the shift coupling's arithmetic.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "core/frame/GlobalDisplayState.h"
#include "core/params/ParamClipboard.h"
#include "core/params/ShiftCoupling.h"

namespace duovis {
namespace {

TEST(ParamClipboard, LinesFollowTheListInBlocks) {
    const auto& e = clipboardEntries();
    ASSERT_EQ(e.size(), 68u);
    // Line number (1-based) to position, at the start of every block.
    const std::pair<int, int> starts[] = {{1, 5},    {2, 16},   {4, 21},   {6, 23},   {7, 26},   {10, 31},
                                          {13, 36},  {17, 44},  {21, 50},  {25, 56},  {29, 67},  {32, 73},
                                          {35, 79},  {38, 85},  {41, 91},  {44, 97},  {47, 103}, {50, 109},
                                          {53, 115}, {56, 121}, {59, 127}, {62, 133}, {65, 139}, {68, 143}};
    for (const auto& [line, position] : starts)
        EXPECT_EQ(e[std::size_t(line - 1)], position) << "line " << line;
    for (std::size_t i = 1; i < e.size(); ++i) EXPECT_LT(e[i - 1], e[i]);
}

struct FormatCase {
    ParamId id;
    double value;
    const char* text;
};

TEST(ParamClipboard, NumbersAreWrittenInTheGeneralSixDigitForm) {
    const FormatCase cases[] = {
        {SECONDARY_FRAME_OFFSET, 0, "0"},
        {SECONDARY_FRAME_OFFSET, 12.5, "12.5"},
        {SECONDARY_FRAME_OFFSET, 100.0 / 3, "33.3333"},
        {MASTER_HSHIFT_PCT, -1.5e-05, "-1.5e-05"},
        {ROTATE_B, 1234567, "1.23457e+06"},
        {ROTATE_B, 100, "100"},
        {ROTATE_B, 0.0001, "0.0001"},
        {ROTATE_B, 123456, "123456"},
        {ROTATE_B, -0.1, "-0.1"},
        {DISPLAY_TYPE, 8, "8"},
        {PRIMARY_DEMUX_MODE, -3, "-3"},
        {SWAP_LR, 1, "1"},
    };
    for (const auto& c : cases) EXPECT_EQ(formatClipboardValue(c.id, c.value), c.text) << c.value;
}

TEST(ParamClipboard, AWholeTextHasSixtyEightLines) {
    std::vector<double> values(PARAM_COUNT, 0.0);
    values[DISPLAY_TYPE] = 8;
    values[FIELD_OF_VIEW] = 25;
    const std::string text = formatClipboard(values);
    const auto lines = clipboardLines(text, 1000);
    ASSERT_EQ(lines.size(), 68u);
    EXPECT_EQ(lines.front(), "8");
    EXPECT_EQ(lines.back(), "25");
    EXPECT_EQ(text.back(), '\n');
}

struct ParseCase {
    ParamId id;
    const char* line;
    double value;
};

TEST(ParamClipboard, LinesParseAsTheirKindAndOtherwiseAsZero) {
    const ParseCase cases[] = {
        {DISPLAY_TYPE, "12", 12},
        {DISPLAY_TYPE, "-3", -3},
        {DISPLAY_TYPE, "7xyz", 7},
        {DISPLAY_TYPE, "abc", 0},
        {DISPLAY_TYPE, "", 0},
        {DISPLAY_TYPE, "3\r", 3},
        {DISPLAY_TYPE, "99999999999", INT32_MAX},
        {ROTATE_B, "33.3333", double(33.3333f)},
        {ROTATE_B, "1.23457e+06", double(1.23457e+06f)},
        {ROTATE_B, "+2.5", 2.5},
        {ROTATE_B, " 2.5\r", 2.5},
        {ROTATE_B, "x", 0},
        {ROTATE_B, "nan", 0},
        {ROTATE_B, "1e99", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(parseClipboardValue(c.id, c.line), c.value) << '"' << c.line << '"';
}

TEST(ParamClipboard, LinesStopAtTheLimitAndKeepAnUnendedLast) {
    EXPECT_EQ(clipboardLines("a\nb\n", 68).size(), 2u);
    EXPECT_EQ(clipboardLines("a\nb", 68).size(), 2u);
    EXPECT_EQ(clipboardLines("a\n\nb\n", 68).size(), 3u);
    EXPECT_EQ(clipboardLines("a\nb\nc\n", 2).size(), 2u);
    EXPECT_TRUE(clipboardLines("", 68).empty());
}

struct CouplingCase {
    double value;
    bool fromPercent;
    int dimension;
    float twinMin, twinMax;
    double twin;
    double rewritten;  // NaN: the edited value stays
};

TEST(ShiftCoupling, ConvertsAndClampsOnTheTwinSide) {
    const double keep = std::numeric_limits<double>::quiet_NaN();
    const CouplingCase cases[] = {
        {50, true, 1920, -1920, 1920, 960, keep},
        {60, true, 4096, -1920, 1920, 1920, 46.875},
        {-60, true, 4096, -1920, 1920, -1920, -46.875},
        {100, true, 1920, -1920, 1920, 1920, keep},
        {540, false, 1080, -100, 100, 50, keep},
        {1500, false, 1000, -100, 100, 100, 1000},
        {-1500, false, 1000, -100, 100, -100, -1000},
        {1, false, 3, -100, 100, double(float(1.0 / 3 * 100)), keep},
    };
    for (const auto& c : cases) {
        const auto r = coupleShift(c.value, c.fromPercent, c.dimension, c.twinMin, c.twinMax);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->twinValue, c.twin) << c.value << " of " << c.dimension;
        if (std::isnan(c.rewritten)) {
            EXPECT_FALSE(r->changedValue) << c.value;
        } else {
            ASSERT_TRUE(r->changedValue) << c.value;
            EXPECT_EQ(*r->changedValue, c.rewritten);
        }
    }
}

TEST(ShiftCoupling, NoDimensionNoConversion) {
    EXPECT_FALSE(coupleShift(50, true, 0, -1920, 1920));
    EXPECT_FALSE(coupleShift(50, false, -4, -100, 100));
}

TEST(GlobalDisplaySwitch, APressNegatesAndNeverSticks) {
    const std::pair<int32_t, int32_t> cases[] = {{-1, 1}, {1, -1}, {5, -5}, {0, 1}, {INT32_MIN, 1}};
    for (const auto& [before, after] : cases) EXPECT_EQ(toggledDisplaySwitch(before), after) << before;
}

}  // namespace
}  // namespace duovis
