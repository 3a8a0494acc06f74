// A reply block from the parallax tool, of any length: decoded into slots, every slot read
// through the slot table with any pixel scale, the layer layout codes decoded. Decoded values
// must be finite and carry back into the same slot, and the bytes must survive the round trip.
#include <cmath>
#include <cstring>
#include <vector>

#include "FuzzSupport.h"
#include "core/params/ToolBlock.h"

using namespace duovis;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const auto pixelScale = in.take<float>();
    const std::vector<std::uint8_t> bytes = in.rest();
    const ToolBlock block = ToolBlock::fromBytes(bytes.data(), bytes.size());

    unsigned char back[kToolBlockBytes];
    block.toBytes(back);
    for (std::size_t i = 0; i < sizeof back; ++i)
        fuzz::require(back[i] == (i < bytes.size() ? bytes[i] : 0), "the block's bytes survive a round trip");
    ToolBlock masked = block;
    masked.setMask(block.mask());
    fuzz::require(masked.slot == block.slot, "the change mask survives a round trip");

    const ToolSlotTable& table = toolSlotTable();
    for (int s = 0; s < kToolBlockSlots; ++s) {
        const ToolSlotEntry& entry = table[s];
        const double value = decodeToolSlot(entry, block.slot[s], pixelScale);
        fuzz::require(std::isfinite(value), "a decoded slot is finite");
        if (entry.encoding == SlotEncoding::None) continue;
        fuzz::require(toolSlotOf(entry.param) == s, "a parameter has one slot");
        if (entry.encoding == SlotEncoding::Raw) {
            fuzz::require(encodeToolSlot(entry, value, pixelScale) == block.slot[s],
                          "a raw slot carries back");
        } else if (!entry.pixelScaled) {
            // Decoding reads the slot in single precision; encoding truncates.
            const double carried = encodeToolSlot(entry, value, pixelScale);
            fuzz::require(std::fabs(carried - static_cast<double>(static_cast<float>(block.slot[s]))) <= 1.0,
                          "a scaled slot carries back");
        }
    }
    for (const int first : {int(TOOL_SLOT_PRIMARY), int(TOOL_SLOT_SECONDARY)}) {
        const ToolLayout layout = decodeToolLayout(block.slot[first + kToolLayerFields - 1]);
        fuzz::require(layout.channel >= 0 && layout.channel <= 3, "a layout names a channel or none");
        fuzz::require(layout.packed || (!layout.sideBySide && !layout.fullSize && layout.channel == 0),
                      "an unpacked layer has no packing");
    }
    return 0;
}
