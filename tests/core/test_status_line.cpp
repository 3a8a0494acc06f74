// The global display's status line: its text and grey for every switch and mode.
#include "core/frame/StatusLine.h"

#include <gtest/gtest.h>

namespace duovis {
namespace {

struct StatusCase {
    int32_t displaySwitch;
    int32_t displayMode;
    const char* text;
    float grey;
};

class StatusLineText : public ::testing::TestWithParam<StatusCase> {};

TEST_P(StatusLineText, MatchesTheTable) {
    const StatusCase& c = GetParam();
    const StatusLine line = statusLine(c.displaySwitch, c.displayMode);
    EXPECT_EQ(line.text, c.text);
    EXPECT_FLOAT_EQ(line.grey, c.grey);
}

const StatusCase kCases[] = {
    {-1, 0, "Global Display: OFF", 0.5f},
    {-1, 8, "Global Display: OFF", 0.5f},
    {-7, 99, "Global Display: OFF", 0.5f},
    // Zero is on: only a negative switch reads as off.
    {0, 8, "Global Display: ON, mode: Anaglyph (Red/Cyan).", 0.67f},
    {1, 0, "Global Display: ON, mode: NONE.", 0.67f},
    {1, 1, "Global Display: ON, mode: Left.", 0.67f},
    {1, 2, "Global Display: ON, mode: Right.", 0.67f},
    {1, 3, "Global Display: ON, mode: Side-By-Side(50%).", 0.67f},
    {1, 4, "Global Display: ON, mode: Side-By-Side(100%).", 0.67f},
    {1, 5, "Global Display: ON, mode: Top-Bottom(50%).", 0.67f},
    {1, 6, "Global Display: ON, mode: Top-Bottom(100%).", 0.67f},
    {1, 7, "Global Display: ON, mode: Line Interlaced.", 0.67f},
    {1, 8, "Global Display: ON, mode: Anaglyph (Red/Cyan).", 0.67f},
    {1, 9, "Global Display: ON, mode: Anaglyph (Optimized).", 0.67f},
    {1, 10, "Global Display: ON, mode: Anaglyph (Grayscale).", 0.67f},
    {1, 11, "Global Display: ON, mode: Onion Skin (50-50).", 0.67f},
    {1, 12, "Global Display: ON, mode: Difference Map.", 0.67f},
    {1, 13, "Global Display: ON, mode: Checkerboard.", 0.67f},
    {1, 14, "Global Display: ON, mode: Corvant Parallax.", 0.67f},
    // A mode that names no display type reads as off, in the "on" grey.
    {1, 15, "Global Display: OFF", 0.67f},
    {1, -1, "Global Display: OFF", 0.67f},
    {1, INT32_MIN, "Global Display: OFF", 0.67f},
};

INSTANTIATE_TEST_SUITE_P(Table, StatusLineText, ::testing::ValuesIn(kCases), [](const auto& tp) {
    const auto n = [](int32_t v) {
        return v < 0 ? "m" + std::to_string(-static_cast<int64_t>(v)) : std::to_string(v);
    };
    return "Switch" + n(tp.param.displaySwitch) + "Mode" + n(tp.param.displayMode);
});

}  // namespace
}  // namespace duovis
