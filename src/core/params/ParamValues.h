// The values of one command's parameters, by position, as the effect API delivers them:
// popups 1-based, checkboxes 0 or 1, float sliders as doubles. Buttons, groups and layers
// carry no value here (the layers travel as frames).
#pragma once

#include "core/params/ParamId.h"

#include <array>
#include <cstddef>

namespace duovis {

struct ParamValues {
    std::array<double, PARAM_COUNT> values{};

    double operator[](ParamId id) const { return values[static_cast<std::size_t>(id)]; }
    double& operator[](ParamId id) { return values[static_cast<std::size_t>(id)]; }

    // Popups and checkboxes are whole numbers; the host hands them over as 32-bit integers.
    int integer(ParamId id) const { return static_cast<int>(values[static_cast<std::size_t>(id)]); }
    bool on(ParamId id) const { return integer(id) > 0; }

    // A fresh instance: every entry at the default the parameter table gives it.
    static ParamValues defaults();
};

}  // namespace duovis
