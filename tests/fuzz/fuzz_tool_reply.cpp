// The parallax tool's reply as the effect applies it: any block (a short one padded with zeros),
// any pixel scale, any layer size (0 and negative included), either host's form of the list, and
// a list that may be cut short. Only a mapped slot with its mask bit set may change its
// parameter, and its shift twin only on a layer of some size; every slider stays finite and
// inside its valid range, every checkbox 0 or 1, and each shift pair that changed agrees on the
// layer's size. Bits left in the returned mask are exactly those that found no parameter.
#include <cmath>
#include <cstring>
#include <vector>

#include "FuzzSupport.h"
#include "ParamRegistration.h"
#include "SharedParams.h"
#include "core/params/ParamTable.h"
#include "core/params/ResetGroups.h"

using namespace duovis;

namespace {

// The list as the host holds it after registration, at the defaults.
std::vector<PF_ParamDef> registeredParams(bool afterEffects) {
    std::vector<PF_ParamDef> defs;
    for (const ParamDef& d : paramTable()) defs.push_back(registrationDef(d, afterEffects));
    return defs;
}

bool same(const PF_ParamDef& a, const PF_ParamDef& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const A_long width = in.take<std::int16_t>();
    const A_long height = in.take<std::int16_t>();
    const auto pixelScale = in.take<float>();
    const auto cut = in.take<std::uint8_t>();
    const bool afterEffects = in.flag();
    const A_long count = cut & 0x80u ? (cut & 0x7Fu) % (PARAM_COUNT + 1) : PARAM_COUNT;
    const std::vector<std::uint8_t> bytes = in.rest();
    const ToolBlock reply = ToolBlock::fromBytes(bytes.data(), bytes.size());

    const std::vector<PF_ParamDef> before = registeredParams(afterEffects);
    std::vector<PF_ParamDef> after = before;
    std::vector<PF_ParamDef*> params(after.size());
    for (std::size_t i = 0; i < after.size(); ++i) params[i] = &after[i];
    const uint64_t left = applyToolReply(reply, params.data(), count, width, height, pixelScale);

    // What the reply may touch, worked out from the slot table alone.
    std::vector<bool> may(PARAM_COUNT, false);
    uint64_t applied = 0;
    const auto usable = [&](ParamId id, PF_ParamType type) {
        return id < count && before[id].param_type == type;
    };
    for (int s = 0; s < kToolBlockSlots; ++s) {
        const ToolSlotEntry& e = toolSlotTable()[static_cast<std::size_t>(s)];
        const PF_ParamType type = e.encoding == SlotEncoding::Raw ? PF_Param_CHECKBOX : PF_Param_FLOAT_SLIDER;
        if (e.encoding == SlotEncoding::None || !reply.maskBit(s) || !usable(e.param, type)) continue;
        applied |= uint64_t{1} << s;
        may[e.param] = true;
        const auto twin = shiftTwin(e.param);
        const A_long side = twin && twin->axis == ShiftAxis::Horizontal ? width : height;
        if (twin && side > 0 && usable(twin->twin, PF_Param_FLOAT_SLIDER)) may[twin->twin] = true;
    }
    fuzz::require(left == (reply.mask() & ~applied), "the returned mask keeps exactly the bits not applied");

    for (int i = 0; i < PARAM_COUNT; ++i) {
        const PF_ParamDef& p = after[static_cast<std::size_t>(i)];
        if (!may[static_cast<std::size_t>(i)])
            fuzz::require(same(p, before[static_cast<std::size_t>(i)]),
                          "an unselected parameter is untouched");
        else
            fuzz::require((p.uu.change_flags & PF_ChangeFlag_CHANGED_VALUE) != 0,
                          "a written value is marked");
        if (p.param_type == PF_Param_CHECKBOX)
            fuzz::require(p.u.bd.value == 0 || p.u.bd.value == 1, "a checkbox is 0 or 1");
        if (p.param_type != PF_Param_FLOAT_SLIDER) continue;
        const double v = p.u.fs_d.value;
        fuzz::require(std::isfinite(v), "a slider value is finite");
        fuzz::require(
            v >= static_cast<double>(p.u.fs_d.valid_min) && v <= static_cast<double>(p.u.fs_d.valid_max),
            "a slider value lies in its valid range");
    }

    // A shift pair the reply changed agrees on the layer's size: pixels = percent of the side.
    for (int i = 0; i < PARAM_COUNT; ++i) {
        const auto twin = shiftTwin(static_cast<ParamId>(i));
        if (!twin || !twin->fromPercent || !may[static_cast<std::size_t>(i)] || !may[twin->twin]) continue;
        const double side = twin->axis == ShiftAxis::Horizontal ? width : height;
        if (side <= 0) continue;
        const double percent = after[static_cast<std::size_t>(i)].u.fs_d.value;
        const double pixels = after[twin->twin].u.fs_d.value;
        fuzz::require(std::fabs(pixels - percent / 100.0 * side) <= 1e-6 + 1e-5 * std::fabs(pixels),
                      "a shift and its pixel twin agree");
    }
    return 0;
}
