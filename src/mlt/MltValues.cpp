#include "MltValues.h"

#include "engine/EngineParams.h"

#include <cstring>

namespace duovis::mlt {

namespace {

constexpr char kSeparator = '_';

// A keyframe string ("0=-5;24=5") has its numbers read by MLT; a plain value is checked as text,
// so "5px" is refused rather than read as 5.
bool keyframed(const char* text) {
    return std::strchr(text, '=') != nullptr;
}

engine::PropertyValue valueAt(mlt_properties properties, ParamId id, const std::string& name,
                              const char* text, int position, int length) {
    if (engine::isAnimatable(id) && keyframed(text)) {
        const double v = mlt_properties_anim_get_double(properties, name.c_str(), position, length);
        return engine::checkSliderValue(id, v, kSeparator);
    }
    return engine::parsePropertyValue(id, text, kSeparator);
}

}  // namespace

std::string readValues(mlt_properties properties, int position, int length, ParamValues& out) {
    out = ParamValues::defaults();
    for (ParamId id : engine::engineParams()) {
        const std::string name = engine::propertyName(id, kSeparator);
        const char* text = mlt_properties_get(properties, name.c_str());
        if (!text) continue;
        const engine::PropertyValue v = valueAt(properties, id, name, text, position, length);
        if (!v.value) return v.error;
        out[id] = *v.value;
    }
    return {};
}

}  // namespace duovis::mlt
