// The 256-byte block exchanged with the parallax tool: 64 little-endian 32-bit slots. One
// static table says, for every slot, which parameter it carries and how the value is encoded;
// the effect's packing and applying and the tool's reading and replying all go through it.
#pragma once

#include "core/params/ParamId.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace duovis {

constexpr int kToolBlockSlots = 64;
constexpr int kToolBlockBytes = 256;

// Fixed slots outside the parameter table.
enum ToolSlot : int {
    TOOL_SLOT_LENGTH = 0,      // block length, 256
    TOOL_SLOT_PRIMARY = 6,     // width, height, bytes per pixel, row bytes, layout code
    TOOL_SLOT_SECONDARY = 11,  // the same five, all 0 when no secondary layer is sent
    TOOL_SLOT_MASK = 62,       // slots 62-63: the 64-bit change mask
};
constexpr int kToolLayerFields = 5;

enum class SlotEncoding {
    None,    // not a parameter: layer fields, reserved, mask
    Raw,     // the parameter's 32-bit value as is (checkboxes)
    Scaled,  // the parameter's value times the scale, truncated toward zero
};

struct ToolSlotEntry {
    ParamId param = INPUT_LAYER;  // meaningful only when encoding != None
    SlotEncoding encoding = SlotEncoding::None;
    double scale = 1.0;
    bool pixelScaled = false;  // pixel shifts: further multiplied by the host's pixel scale
};

using ToolSlotTable = std::array<ToolSlotEntry, kToolBlockSlots>;

// Built once on first use.
const ToolSlotTable& toolSlotTable();

// The slot that carries `param`, if any.
std::optional<int> toolSlotOf(ParamId param);

// A parameter value as the slot carries it: scaled entries truncate value × scale toward zero
// (held to the 32-bit range), then pixel shifts take the pixel scale in single precision,
// rounded half up. Raw entries carry the value's integer part.
int32_t encodeToolSlot(const ToolSlotEntry& entry, double value, float pixelScale);

// The parameter value a slot carries, the inverse of encodeToolSlot up to its truncation. A
// pixel scale of 0 or less is read as 1 so a zero never divides.
double decodeToolSlot(const ToolSlotEntry& entry, int32_t slot, float pixelScale);

// A layer's layout code from its 1-based "Demux Mode" and "Demux Channel" popup values: 0 for
// "None", otherwise 2m-3 in the low bits and the eye channel (3 both, 2 left/top, 1
// right/bottom) in bits 4-5. The primary popup lists "Both" first, the secondary does not.
int32_t toolLayoutCode(int demuxModePopup, int demuxChannelPopup, bool secondary);

// What a layout code says about a layer's pixels.
struct ToolLayout {
    bool packed = false;      // both eyes in one frame (a demux mode other than "None")
    bool sideBySide = false;  // packed left|right (else top|bottom)
    bool fullSize = false;    // each eye at full size (else squeezed to half)
    int channel = 0;          // 3 both, 2 left/top, 1 right/bottom, 0 unpacked
};
ToolLayout decodeToolLayout(int32_t code);

// The block as 64 host-order integers, with little-endian conversion at the edges.
struct ToolBlock {
    std::array<int32_t, kToolBlockSlots> slot{};  // not "slots": Qt defines that word as a macro

    uint64_t mask() const;
    void setMask(uint64_t mask);
    bool maskBit(int s) const { return (mask() >> s) & 1u; }

    void toBytes(unsigned char (&out)[kToolBlockBytes]) const;
    static ToolBlock fromBytes(const unsigned char* bytes, std::size_t size);  // size < 256: rest 0
};

}  // namespace duovis
