#include "engine/PixelConvert.h"

namespace duovis::engine {

void rgba8ToArgb8(const uint8_t* in, uint8_t* out, int32_t pixels) {
    for (int32_t i = 0; i < pixels; ++i, in += 4, out += 4) {
        out[0] = in[3], out[1] = in[0], out[2] = in[1], out[3] = in[2];
    }
}

void argb8ToRgba8(const uint8_t* in, uint8_t* out, int32_t pixels) {
    for (int32_t i = 0; i < pixels; ++i, in += 4, out += 4) {
        out[0] = in[1], out[1] = in[2], out[2] = in[3], out[3] = in[0];
    }
}

void rgba64ToBgraFloat(const uint16_t* in, float* out, int32_t pixels) {
    for (int32_t i = 0; i < pixels; ++i, in += 4, out += 4) {
        out[0] = float(in[2]) / 65535.0f, out[1] = float(in[1]) / 65535.0f;
        out[2] = float(in[0]) / 65535.0f, out[3] = float(in[3]) / 65535.0f;
    }
}

void bgraFloatToRgba64(const float* in, uint16_t* out, int32_t pixels) {
    for (int32_t i = 0; i < pixels; ++i, in += 4, out += 4) {
        out[0] = channel16(in[2]), out[1] = channel16(in[1]);
        out[2] = channel16(in[0]), out[3] = channel16(in[3]);
    }
}

uint16_t channel16(float value) {
    // Written so that NaN fails both comparisons and lands on 0.
    const float c = value > 0.0f ? (value < 1.0f ? value : 1.0f) : 0.0f;
    const float scaled = c * 65535.0f;
    return scaled < 0.5f ? uint16_t(0) : uint16_t(scaled + 0.5f);
}

}  // namespace duovis::engine
