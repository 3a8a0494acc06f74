#include "Picture.h"

#include <algorithm>
#include <cmath>

namespace duovis::media {

bool Picture::opaque() const {
    for (std::size_t i = 3; i < rgba.size(); i += 4)
        if (!(rgba[i] == 1.0f)) return false;
    return true;
}

std::string sizeText(int width, int height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

float unitFromInt(unsigned value, int bits) {
    return static_cast<float>(value) / static_cast<float>((1u << bits) - 1u);
}

unsigned intFromUnit(float value, int bits) {
    const float top = static_cast<float>((1u << bits) - 1u);
    // NaN has no integer meaning; it becomes black as the 8-bit host makes it.
    const float c = std::isnan(value) ? 0.0f : std::clamp(value, 0.0f, 1.0f);
    return static_cast<unsigned>(std::lround(c * top));
}

}  // namespace duovis::media
