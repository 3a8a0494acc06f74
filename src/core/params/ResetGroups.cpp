#include "core/params/ResetGroups.h"

#include "core/params/ParamTable.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

namespace duovis {
namespace {

struct ShiftPair {
    ParamId percentGroup;
    ParamId pixelGroup;
    ShiftAxis axis;
};

constexpr ShiftPair kShiftPairs[] = {
    {HSHIFT_PCT_GROUP, HSHIFT_PX_GROUP, ShiftAxis::Horizontal},
    {VSHIFT_PCT_GROUP, VSHIFT_PX_GROUP, ShiftAxis::Vertical},
};

constexpr char kResetPrefix[] = "Reset All ";

bool isResetButton(const ParamDef& d) {
    return d.kind == ParamKind::Button && std::strncmp(d.uiName, kResetPrefix, sizeof kResetPrefix - 1) == 0;
}

// The sliders between a group start and its matching end, nested groups included.
void collectSliders(const ParamDefTable& t, std::size_t groupStart, std::vector<ParamId>& out) {
    const int depth = t[groupStart].depth;
    for (std::size_t i = groupStart + 1; i < t.size(); ++i) {
        if (t[i].kind == ParamKind::GroupEnd && t[i].depth == depth) return;
        if (t[i].kind == ParamKind::FloatSlider) out.push_back(t[i].position);
    }
}

std::vector<ParamId> targetsOf(const ParamDefTable& t, std::size_t button) {
    std::vector<ParamId> out;
    // The button's own group: the nearest group start one level up.
    std::size_t g = button;
    while (g > 0 && !(t[g].kind == ParamKind::GroupStart && t[g].depth == t[button].depth - 1)) --g;
    if (t[g].kind != ParamKind::GroupStart) return out;
    collectSliders(t, g, out);
    const std::size_t own = out.size();
    for (std::size_t i = 0; i < own; ++i) {
        if (const auto twin = shiftTwin(out[i])) out.push_back(twin->twin);
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

struct ResetTable {
    std::array<std::vector<ParamId>, PARAM_COUNT> targets;
    ResetTable() {
        const ParamDefTable& t = paramTable();
        for (std::size_t i = 0; i < t.size(); ++i) {
            if (isResetButton(t[i])) targets[i] = targetsOf(t, i);
        }
    }
};

}  // namespace

const std::vector<ParamId>& resetTargets(ParamId button) {
    static const ResetTable table;
    static const std::vector<ParamId> none;
    if (button < 0 || button >= PARAM_COUNT) return none;
    return table.targets[std::size_t(button)];
}

std::optional<ShiftTwin> shiftTwin(ParamId id) {
    for (const ShiftPair& p : kShiftPairs) {
        const int pctSlot = id - p.percentGroup;
        const int pxSlot = id - p.pixelGroup;
        if (pctSlot >= FAMILY_BOTH && pctSlot <= FAMILY_RIGHT)
            return ShiftTwin{ParamId(p.pixelGroup + pctSlot), p.axis, true};
        if (pxSlot >= FAMILY_BOTH && pxSlot <= FAMILY_RIGHT)
            return ShiftTwin{ParamId(p.percentGroup + pxSlot), p.axis, false};
    }
    return std::nullopt;
}

}  // namespace duovis
