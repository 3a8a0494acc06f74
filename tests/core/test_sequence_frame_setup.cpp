#include "core/frame/FrameSetup.h"
#include "core/frame/SequenceRecord.h"
#include "core/params/Codes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace duovis {
namespace {

struct BufferCase {
    const char* name;
    uint32_t width, height;
    Ratio ds;
    int demux;
    int display;
    OutputBufferRequest expected;
};

class FrameSetupBuffer : public ::testing::TestWithParam<BufferCase> {};

TEST_P(FrameSetupBuffer, SizesForTheDisplayCodeAndKeepsTheInputCentred) {
    const BufferCase c = GetParam();
    // The host proposes the input's size at the current resolution.
    const auto atResolution = [&](uint32_t size) { return int32_t(c.ds.num * size / c.ds.den); };
    const OutputBufferRequest r = outputBufferRequest(c.width, c.height, c.ds, c.ds, c.demux, c.display,
                                                      atResolution(c.width), atResolution(c.height));
    EXPECT_EQ(r.width, c.expected.width);
    EXPECT_EQ(r.height, c.expected.height);
    EXPECT_EQ(r.originH, c.expected.originH);
    EXPECT_EQ(r.originV, c.expected.originV);
}

INSTANTIATE_TEST_SUITE_P(
    FrameSetup, FrameSetupBuffer,
    ::testing::Values(
        BufferCase{"TopBottomFull", 1920, 1080, {}, DEMUX_NONE, DISPLAY_TB_FULL, {1920, 2160, 0, 540}},
        BufferCase{"SbsFullBoth", 3840, 1080, {}, DEMUX_SBS_FULL, DISPLAY_SBS_FULL, {3840, 1080, 0, 0}},
        BufferCase{"SbsFullLeft", 3840, 1080, {}, DEMUX_SBS_FULL, DISPLAY_LEFT, {1920, 1080, -960, 0}},
        BufferCase{"Anaglyph", 1920, 1080, {}, DEMUX_NONE, DISPLAY_ANAGLYPH, {1920, 1080, 0, 0}},
        // Half resolution halves before the demux; an odd width truncates.
        BufferCase{"HalfResSbs", 1922, 1080, {1, 2}, DEMUX_SBS_FULL, DISPLAY_SBS_FULL, {960, 540, 0, 0}},
        BufferCase{"HalfResLeft", 1922, 1080, {1, 2}, DEMUX_SBS_FULL, DISPLAY_LEFT, {480, 540, -240, 0}},
        BufferCase{"TbFullDemux", 1920, 2160, {}, DEMUX_TB_FULL, DISPLAY_TB_FULL, {1920, 2160, 0, 0}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(FrameSetup, RateFromTimeScaleAndStep) {
    EXPECT_FLOAT_EQ(framesPerSecond(24000, 1001), 24000.0f / 1001.0f);
    EXPECT_LT(framesPerSecond(24000, 1001), 24.0f);
    EXPECT_FLOAT_EQ(framesPerSecond(25, 1), 25.0f);
    EXPECT_EQ(framesPerSecond(25, 0), 0.0f);
}

TEST(SequenceRecord, EncodesTwoLittleEndianIntegers) {
    const auto b = encodeSequenceRecord(SequenceRecord{-1, 6});
    const std::vector<uint8_t> expected = {0xFF, 0xFF, 0xFF, 0xFF, 6, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.end()), expected);
    const SequenceRecord r = decodeSequenceRecord(b.data());
    EXPECT_EQ(r.displaySwitch, -1);
    EXPECT_EQ(r.displayMode, 6);
    EXPECT_EQ(initialSequenceRecord().displaySwitch, -1);
    EXPECT_EQ(initialSequenceRecord().displayMode, 0);
}

TEST(SequenceRecord, FlattenCapturesTheGlobalDisplay) {
    GlobalDisplayState s;
    s.displaySwitch = 1;
    s.displayMode = 8;
    const SequenceRecord r = flattenSequence(s);
    EXPECT_EQ(r.displaySwitch, 1);
    EXPECT_EQ(r.displayMode, 8);
}

struct Stored {
    std::vector<uint8_t> bytes;
    bool restores;
};

std::vector<uint8_t> record(int32_t sw, int32_t mode) {
    const auto b = encodeSequenceRecord(SequenceRecord{sw, mode});
    return {b.begin(), b.end()};
}

// Each row is a sequence of re-setups in one fresh process; `restores` says whether that one
// changes the global display.
struct ResetupCase {
    const char* name;
    std::vector<Stored> steps;
    int32_t finalSwitch, finalMode, finalCount;
};

class SequenceResetup : public ::testing::TestWithParam<ResetupCase> {};

TEST_P(SequenceResetup, OnlyTheFirstStoredOnStateIsRestored) {
    const ResetupCase& c = GetParam();
    GlobalDisplayState s;
    for (const Stored& step : c.steps) {
        EXPECT_EQ(resetupSequence(s, step.bytes.data(), step.bytes.size()), step.restores);
    }
    EXPECT_EQ(s.displaySwitch, c.finalSwitch);
    EXPECT_EQ(s.displayMode, c.finalMode);
    EXPECT_EQ(s.resetupCount, c.finalCount);
}

INSTANTIATE_TEST_SUITE_P(
    SequenceRecord, SequenceResetup,
    ::testing::Values(
        ResetupCase{"FirstOnRestores", {{record(1, 4), true}, {record(1, 8), false}}, 1, 4, 2},
        ResetupCase{
            "StoredOffCountsButRestoresNothing", {{record(-1, 8), false}, {record(1, 8), false}}, -1, 0, 2},
        // A damaged project: a mode outside the display types, or too few bytes.
        ResetupCase{"ModeOutOfRange", {{record(1, 99), false}}, -1, 0, 1},
        ResetupCase{"ModeZero", {{record(1, 0), false}}, -1, 0, 1},
        ResetupCase{"ModeMostNegative", {{record(1, INT32_MIN), false}}, -1, 0, 1},
        ResetupCase{"ShortRecord", {{{1, 0, 0, 0, 4}, false}}, -1, 0, 1}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(SequenceRecord, ResetupWithoutDataDoesNotCount) {
    GlobalDisplayState s;
    EXPECT_FALSE(resetupSequence(s, nullptr, 8));
    EXPECT_EQ(s.resetupCount, 0);
}

}  // namespace
}  // namespace duovis

#include "core/params/ClipboardPath.h"

namespace duovis {
namespace {

TEST(ClipboardPath, ProgramDataOrThePerUserFolder) {
    const QString user = QStringLiteral("/home/u/.local/share");
    EXPECT_EQ(clipboardPath("C:\\ProgramData", user),
              QStringLiteral("C:\\ProgramData/Corvant/Duovis/TempData"));
    EXPECT_EQ(clipboardPath("/srv/d\xc3\xa9j\xc3\xa0", user),
              QString::fromUtf8("/srv/déjà/Corvant/Duovis/TempData"));
    EXPECT_EQ(clipboardPath(nullptr, user), user + "/Corvant/Duovis/TempData");
    EXPECT_EQ(clipboardPath("", user), user + "/Corvant/Duovis/TempData");
    const std::string fits(255, 'a'), tooLong(256, 'a');
    EXPECT_TRUE(clipboardPath(fits.c_str(), user).startsWith(QString::fromStdString(fits)));
    EXPECT_EQ(clipboardPath(tooLong.c_str(), user), user + "/Corvant/Duovis/TempData");
}

}  // namespace
}  // namespace duovis
