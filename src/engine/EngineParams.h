// The effect's parameters as an engine's properties: which entries an engine offers, their
// names, and how a property's text or number becomes the value the effect would hold.
#pragma once

#include "core/params/ParamId.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace duovis::engine {

// The entries an engine offers, in list order: every popup, checkbox and slider a render
// reads, and the pixel shifts beside their percent twins. Buttons, groups, the layer choice,
// the global display settings and "Frame Offset" (engines hand both eyes over for the same
// time) have no property.
const std::vector<ParamId>& engineParams();

// The identifier in lower case with `separator` between its words: '_' gives "vshift_pct_r",
// '-' gives "vshift-pct-r".
std::string propertyName(ParamId id, char separator);

// The offered entry a property name names, written with `separator`; none for anything else.
std::optional<ParamId> paramForProperty(std::string_view name, char separator);

// A slider whose value may change over time (keyframes, controllers): every offered slider.
bool isAnimatable(ParamId id);

// The choice texts of a popup, in order (1-based values count from the first).
std::vector<std::string> popupChoices(ParamId id);

// A property's value, or one line for the user naming the property and what it accepts.
struct PropertyValue {
    std::optional<double> value;
    std::string error;
};

// Text in the effect's own units: a popup takes its 1-based value or the exact choice text, a
// checkbox 0 or 1, a slider a number inside the range the effect accepts.
PropertyValue parsePropertyValue(ParamId id, std::string_view text, char separator);

// A slider's number (an engine's own parse, a keyframe's value) against the same range.
PropertyValue checkSliderValue(ParamId id, double value, char separator);

}  // namespace duovis::engine
