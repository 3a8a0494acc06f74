// The parallax tool's block: the slot table against the worked numbers, the layout codes, and
// the little-endian bytes with the change mask.
#include "core/params/ToolBlock.h"

#include <gtest/gtest.h>

#include <set>

namespace duovis {
namespace {

const ToolSlotEntry& entry(int slot) {
    return toolSlotTable()[static_cast<std::size_t>(slot)];
}

struct SlotCase {
    const char* name;
    ParamId param;
    double value;
    float pixelScale;
    int slot;
    int32_t packed;
    double unpacked;  // what the packed slot gives back
};

const SlotCase kSlotCases[] = {
    {"PercentTruncated", HSHIFT_PCT_B, 12.34567, 1.0f, 22, 123456, 12.3456},
    {"NegativeRotation", ROTATE_L, -1.5, 1.0f, 44, -150, -1.5},
    {"NegativeTruncatesTowardZero", VSHIFT_PCT_R, -0.00019, 1.0f, 27, -1, -0.0001},
    {"HalfResolutionPixels", HSHIFT_PX_B, 101, 0.5f, 28, 50500, 101},
    {"PixelScaleRoundsHalfUp", VSHIFT_PX_L, 0.003, 0.5f, 32, 2, 0.004},
    {"CheckboxAsIs", FLIP_R_V, 1, 0.5f, 21, 1, 1},
    {"FieldOfView", FIELD_OF_VIEW, 25, 1.0f, 61, 2500, 25},
    {"KeystoneAfterTheGap", HKEYSTONE_R, 2.25, 1.0f, 57, 225, 2.25},
    {"HeldToThe32BitRange", SCALE_B, 1e9, 1.0f, 34, 2147483647, 214748.3647},
};

class ToolSlots : public ::testing::TestWithParam<SlotCase> {};

TEST_P(ToolSlots, PackAndUnpackThroughTheOneTable) {
    const SlotCase& c = GetParam();
    ASSERT_EQ(toolSlotOf(c.param), c.slot);
    const int32_t packed = encodeToolSlot(entry(c.slot), c.value, c.pixelScale);
    EXPECT_EQ(packed, c.packed);
    EXPECT_NEAR(decodeToolSlot(entry(c.slot), packed, c.pixelScale), c.unpacked, 1e-3);
}

INSTANTIATE_TEST_SUITE_P(Cases, ToolSlots, ::testing::ValuesIn(kSlotCases),
                         [](const auto& tp) { return std::string(tp.param.name); });

TEST(ToolSlotTable, CarriesExactlyTheMappedSlots) {
    std::set<int> mapped;
    for (int s = 0; s < kToolBlockSlots; ++s)
        if (entry(s).encoding != SlotEncoding::None) mapped.insert(s);
    std::set<int> expected = {17, 18, 20, 21, 55, 56, 57, 58, 59, 60, 61};
    for (int s = 22; s <= 51; ++s) expected.insert(s);
    EXPECT_EQ(mapped, expected);  // layer fields, reserved slots (16, 19, 52-54) and the mask carry none
    EXPECT_FALSE(toolSlotOf(MASTER_HSHIFT_PCT).has_value());
    EXPECT_FALSE(toolSlotOf(CROP_B_LEFT).has_value());
    EXPECT_EQ(entry(30).param, HSHIFT_PX_R);
    EXPECT_TRUE(entry(30).pixelScaled);
    EXPECT_FALSE(entry(27).pixelScaled);
    EXPECT_EQ(entry(17).param, FLIP_L_H);
    EXPECT_EQ(entry(20).param, FLIP_L_V);
}

TEST(ToolLayout, CodesFromTheDemuxPopups) {
    struct Row {
        int mode, channel;
        bool secondary;
        int32_t code;
        ToolLayout layout;
    };
    const Row rows[] = {
        {1, 1, false, 0x00, {false, false, false, 0}},  // "None"
        {2, 1, false, 0x31, {true, true, false, 3}},    // "Side-By-Side(50%)", "Both"
        {3, 2, false, 0x23, {true, false, false, 2}},   // "Top-Bottom(50%)", "Left(Top)"
        {4, 3, false, 0x15, {true, true, true, 1}},     // "Side-By-Side(100%)", "Right(Bottom)"
        {5, 2, true, 0x17, {true, false, true, 1}},     // secondary "Top-Bottom(100%)", "Right(Bottom)"
        {2, 1, true, 0x21, {true, true, false, 2}},     // secondary "Left(Top)"
        {6, 1, false, 0x00, {false, false, false, 0}},  // out of range: no demux
    };
    for (const Row& r : rows) {
        const int32_t code = toolLayoutCode(r.mode, r.channel, r.secondary);
        EXPECT_EQ(code, r.code) << r.mode << "/" << r.channel;
        const ToolLayout l = decodeToolLayout(code);
        EXPECT_EQ(l.packed, r.layout.packed) << code;
        EXPECT_EQ(l.sideBySide, r.layout.sideBySide) << code;
        EXPECT_EQ(l.fullSize, r.layout.fullSize) << code;
        EXPECT_EQ(l.channel, r.layout.channel) << code;
    }
}

TEST(ToolBlockBytes, LittleEndianSlotsAndTheMaskInTheLastEight) {
    ToolBlock b;
    b.slot[0] = 256;
    b.slot[44] = -150;
    b.setMask((uint64_t{1} << 63) | (uint64_t{1} << 22));
    unsigned char bytes[kToolBlockBytes];
    b.toBytes(bytes);
    EXPECT_EQ(bytes[0], 0x00);
    EXPECT_EQ(bytes[1], 0x01);
    EXPECT_EQ(bytes[176], 0x6A);  // -150 = 0xFFFFFF6A
    EXPECT_EQ(bytes[179], 0xFF);
    EXPECT_EQ(bytes[248 + 2], 0x40);  // bit 22
    EXPECT_EQ(bytes[255], 0x80);      // bit 63
    const ToolBlock back = ToolBlock::fromBytes(bytes, kToolBlockBytes);
    EXPECT_EQ(back.slot, b.slot);
    EXPECT_TRUE(back.maskBit(22) && back.maskBit(63) && !back.maskBit(21));
    // A short block reads as zeros past its end: no mask, nothing to apply.
    EXPECT_EQ(ToolBlock::fromBytes(bytes, 100).mask(), 0u);
}

}  // namespace
}  // namespace duovis
