#include "engine/EngineParams.h"

#include "core/params/ParamTable.h"
#include "core/params/ResetGroups.h"
#include "core/params/TimeVariation.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <sstream>

namespace duovis::engine {

namespace {

bool offered(const ParamDef& d) {
    if (d.position == SECONDARY_FRAME_OFFSET) return false;
    const bool valued =
        d.kind == ParamKind::Popup || d.kind == ParamKind::Checkbox || d.kind == ParamKind::FloatSlider;
    return valued && (d.readByRender || shiftTwin(d.position).has_value());
}

std::string rangeText(const ParamDef& d) {
    std::ostringstream s;
    s << d.validMin << ".." << d.validMax;
    return s.str();
}

std::optional<double> parseNumber(std::string_view text) {
    double v = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || ptr != end || !std::isfinite(v)) return std::nullopt;
    return v;
}

PropertyValue refusal(ParamId id, char separator, const std::string& why) {
    return PropertyValue{std::nullopt, propertyName(id, separator) + ": " + why};
}

PropertyValue parsePopup(ParamId id, std::string_view text, char separator) {
    const std::vector<std::string> choices = popupChoices(id);
    std::string list;
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (choices[i] == text) return PropertyValue{double(i + 1), {}};
        list += (i ? ", " : "") + std::to_string(i + 1) + "=" + choices[i];
    }
    const std::optional<double> n = parseNumber(text);
    if (n && *n == std::floor(*n) && *n >= 1 && *n <= double(choices.size())) return PropertyValue{*n, {}};
    return refusal(id, separator, "'" + std::string(text) + "' is not a choice (" + list + ")");
}

}  // namespace

const std::vector<ParamId>& engineParams() {
    static const std::vector<ParamId> ids = [] {
        std::vector<ParamId> out;
        for (const ParamDef& d : paramTable())
            if (offered(d)) out.push_back(d.position);
        return out;
    }();
    return ids;
}

std::string propertyName(ParamId id, char separator) {
    std::string name = paramDef(id).identifier;
    for (char& c : name) c = c == '_' ? separator : char(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

std::optional<ParamId> paramForProperty(std::string_view name, char separator) {
    for (ParamId id : engineParams())
        if (propertyName(id, separator) == name) return id;
    return std::nullopt;
}

bool isAnimatable(ParamId id) {
    return sliderTimeVaries(id);
}

std::vector<std::string> popupChoices(ParamId id) {
    std::vector<std::string> out;
    const std::string_view all = paramDef(id).choices;
    std::size_t start = 0;
    while (!all.empty() && start <= all.size()) {
        const std::size_t bar = std::min(all.find('|', start), all.size());
        out.emplace_back(all.substr(start, bar - start));
        start = bar + 1;
    }
    return out;
}

PropertyValue parsePropertyValue(ParamId id, std::string_view text, char separator) {
    const ParamDef& d = paramDef(id);
    switch (d.kind) {
        case ParamKind::Popup:
            return parsePopup(id, text, separator);
        case ParamKind::Checkbox:
            if (text == "0" || text == "1") return PropertyValue{text == "1" ? 1.0 : 0.0, {}};
            return refusal(id, separator, "'" + std::string(text) + "' is not 0 or 1");
        case ParamKind::FloatSlider: {
            const std::optional<double> n = parseNumber(text);
            if (!n) return refusal(id, separator, "'" + std::string(text) + "' is not a number");
            return checkSliderValue(id, *n, separator);
        }
        default:
            return refusal(id, separator, "takes no value");
    }
}

PropertyValue checkSliderValue(ParamId id, double value, char separator) {
    const ParamDef& d = paramDef(id);
    if (std::isfinite(value) && value >= double(d.validMin) && value <= double(d.validMax))
        return PropertyValue{value, {}};
    std::ostringstream v;
    v << value;
    return refusal(id, separator, v.str() + " is outside " + rangeText(d));
}

}  // namespace duovis::engine
