#include "core/params/ToolBlock.h"

#include <cmath>
#include <limits>

namespace duovis {

namespace {

// The transformation families in the order the block carries them, from slot 22 on; a gap of
// three reserved slots sits between the skews and the keystones.
struct FamilyRun {
    int firstSlot;
    ParamId both;
    double scale;
    bool pixelScaled;
};
constexpr FamilyRun kFamilyRuns[] = {
    {22, HSHIFT_PCT_B, 10000.0, false}, {25, VSHIFT_PCT_B, 10000.0, false}, {28, HSHIFT_PX_B, 1000.0, true},
    {31, VSHIFT_PX_B, 1000.0, true},    {34, SCALE_B, 10000.0, false},      {37, HSCALE_B, 10000.0, false},
    {40, VSCALE_B, 10000.0, false},     {43, ROTATE_B, 100.0, false},       {46, HSKEW_B, 100.0, false},
    {49, VSKEW_B, 100.0, false},        {55, HKEYSTONE_B, 100.0, false},    {58, VKEYSTONE_B, 100.0, false},
};

ToolSlotTable buildTable() {
    ToolSlotTable table{};
    const auto raw = [&](int slot, ParamId p) { table[slot] = {p, SlotEncoding::Raw, 1.0, false}; };
    raw(17, FLIP_L_H);
    raw(18, FLIP_R_H);
    raw(20, FLIP_L_V);
    raw(21, FLIP_R_V);
    for (const FamilyRun& run : kFamilyRuns)
        for (int eye = 0; eye < 3; ++eye)
            table[run.firstSlot + eye] = {static_cast<ParamId>(run.both + eye), SlotEncoding::Scaled,
                                          run.scale, run.pixelScaled};
    table[61] = {FIELD_OF_VIEW, SlotEncoding::Scaled, 100.0, false};
    return table;
}

int32_t toInt32Saturated(double v) {
    if (std::isnan(v)) return 0;
    if (v >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (v <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

float usablePixelScale(float pixelScale) {
    return pixelScale > 0.0f && std::isfinite(pixelScale) ? pixelScale : 1.0f;
}

}  // namespace

const ToolSlotTable& toolSlotTable() {
    static const ToolSlotTable table = buildTable();
    return table;
}

std::optional<int> toolSlotOf(ParamId param) {
    const ToolSlotTable& table = toolSlotTable();
    for (int s = 0; s < kToolBlockSlots; ++s)
        if (table[s].encoding != SlotEncoding::None && table[s].param == param) return s;
    return std::nullopt;
}

int32_t encodeToolSlot(const ToolSlotEntry& entry, double value, float pixelScale) {
    switch (entry.encoding) {
        case SlotEncoding::None:
            return 0;
        case SlotEncoding::Raw:
            return toInt32Saturated(value);
        case SlotEncoding::Scaled:
            break;
    }
    const int32_t slot = toInt32Saturated(std::trunc(value * entry.scale));
    if (!entry.pixelScaled) return slot;
    return toInt32Saturated(static_cast<double>(std::floor(static_cast<float>(slot) * pixelScale + 0.5f)));
}

double decodeToolSlot(const ToolSlotEntry& entry, int32_t slot, float pixelScale) {
    switch (entry.encoding) {
        case SlotEncoding::None:
            return 0.0;
        case SlotEncoding::Raw:
            return slot;
        case SlotEncoding::Scaled:
            break;
    }
    double value = static_cast<double>(static_cast<float>(slot)) / entry.scale;
    if (entry.pixelScaled) value /= static_cast<double>(usablePixelScale(pixelScale));
    return value;
}

int32_t toolLayoutCode(int demuxModePopup, int demuxChannelPopup, bool secondary) {
    if (demuxModePopup < 2 || demuxModePopup > 5) return 0;
    const int channel = (secondary ? 3 : 4) - demuxChannelPopup;
    return (2 * demuxModePopup - 3) | ((channel & 3) << 4);
}

ToolLayout decodeToolLayout(int32_t code) {
    ToolLayout layout;
    const int mode = code & 0xF;
    if (mode == 0) return layout;
    layout.packed = true;
    layout.sideBySide = mode == 1 || mode == 5;
    layout.fullSize = mode >= 5;
    layout.channel = (code >> 4) & 3;
    return layout;
}

uint64_t ToolBlock::mask() const {
    return static_cast<uint64_t>(static_cast<uint32_t>(slot[TOOL_SLOT_MASK])) |
           (static_cast<uint64_t>(static_cast<uint32_t>(slot[TOOL_SLOT_MASK + 1])) << 32);
}

void ToolBlock::setMask(uint64_t mask) {
    slot[TOOL_SLOT_MASK] = static_cast<int32_t>(static_cast<uint32_t>(mask));
    slot[TOOL_SLOT_MASK + 1] = static_cast<int32_t>(static_cast<uint32_t>(mask >> 32));
}

void ToolBlock::toBytes(unsigned char (&out)[kToolBlockBytes]) const {
    for (int s = 0; s < kToolBlockSlots; ++s) {
        const auto v = static_cast<uint32_t>(slot[s]);
        for (int b = 0; b < 4; ++b) out[4 * s + b] = static_cast<unsigned char>(v >> (8 * b));
    }
}

ToolBlock ToolBlock::fromBytes(const unsigned char* bytes, std::size_t size) {
    ToolBlock block;
    unsigned char full[kToolBlockBytes] = {};
    for (std::size_t i = 0; i < size && i < static_cast<std::size_t>(kToolBlockBytes); ++i)
        full[i] = bytes[i];
    for (int s = 0; s < kToolBlockSlots; ++s) {
        uint32_t v = 0;
        for (int b = 0; b < 4; ++b) v |= static_cast<uint32_t>(full[4 * s + b]) << (8 * b);
        block.slot[s] = static_cast<int32_t>(v);
    }
    return block;
}

}  // namespace duovis
