// Which sliders each reset button restores, and the pairing of every percent shift with its
// pixel twin. Both follow from the layout of the parameter list.
#pragma once

#include "core/params/ParamId.h"

#include <optional>
#include <vector>

namespace duovis {

// The positions a reset button restores to their defaults, in ascending order; empty for any
// position that is not a reset button. A button restores the sliders of its own group, and a
// percent or pixel shift reset also those of its twin family, so both keep matching.
const std::vector<ParamId>& resetTargets(ParamId button);

// The dimension a shift converts with: horizontal shifts are of the eye width, vertical ones
// of the eye height.
enum class ShiftAxis { Horizontal, Vertical };

struct ShiftTwin {
    ParamId twin;  // the pixel slider for a percent one, and the other way round
    ShiftAxis axis;
    bool fromPercent;  // the position asked about is the percent side
};

// The twin of a Both, Left or Right slider of the four shift families; none for anything else
// (the Master shifts have no pixel view).
std::optional<ShiftTwin> shiftTwin(ParamId id);

}  // namespace duovis
