// The engines' RGBA layouts to and from the kernel's own (8-bit ARGB, float BGRA), row by row.
#pragma once

#include <cstdint>

namespace duovis::engine {

void rgba8ToArgb8(const uint8_t* in, uint8_t* out, int32_t pixels);
void argb8ToRgba8(const uint8_t* in, uint8_t* out, int32_t pixels);

// 16-bit channels as the float host holds them: value / 65535 and back, rounded to nearest.
void rgba64ToBgraFloat(const uint16_t* in, float* out, int32_t pixels);
void bgraFloatToRgba64(const float* in, uint16_t* out, int32_t pixels);

// The one rounding from a 0..1 float channel to 16 bits: clamped, NaN to 0, half up.
uint16_t channel16(float value);

}  // namespace duovis::engine
