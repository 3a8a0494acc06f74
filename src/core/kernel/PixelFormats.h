// The pixel layouts the stereo kernel reads and writes. A pixel is handled by its named
// channels (blue, green, red, alpha) whatever the order in memory; `kFull` is full intensity
// in the format's own scale (8-bit channels keep their integer values, 0 to 255). Pixels are
// addressed by index = row * pitch + column, the pitch in pixels.
#pragma once

#include "core/kernel/HalfFloat.h"

#include <cstdint>
#include <cstring>

namespace duovis {

// A pixel's four channels in one vector register, in the order blue, green, red, alpha.
// Lane-wise arithmetic is plain IEEE single precision, so it gives the same values as four
// scalar lines would.
using Vec4 = float __attribute__((vector_size(16)));
using Pixel = Vec4;
constexpr int kB = 0, kG = 1, kR = 2, kA = 3;  // channel lanes

using Int4 = int32_t __attribute__((vector_size(16)));
using Byte4 = uint8_t __attribute__((vector_size(4)));

// Lanes in reverse order: alpha-first bytes to blue-first channels and back.
template <class V>
inline V reversed(V v) {
#if defined(__clang__)
    return __builtin_shufflevector(v, v, 3, 2, 1, 0);
#else
    return __builtin_shuffle(v, Int4{3, 2, 1, 0});
#endif
}

// Four 32-bit floats: blue, green, red, alpha.
struct Bgra32f {
    static constexpr int kBytesPerPixel = 16;
    static constexpr float kFull = 1.0f;
    static Vec4 load(const void* frame, int64_t index) {
        Vec4 v;
        std::memcpy(&v, static_cast<const float*>(frame) + 4 * index, sizeof v);
        return v;
    }
    static void store(void* frame, int64_t index, const Pixel& p) {
        std::memcpy(static_cast<float*>(frame) + 4 * index, &p, sizeof p);
    }
};

// Four bytes: alpha, red, green, blue. Stores truncate toward zero and keep the low byte.
struct Argb8 {
    static constexpr int kBytesPerPixel = 4;
    static constexpr float kFull = 255.0f;
    static Vec4 load(const void* frame, int64_t index) {
        Byte4 argb;
        std::memcpy(&argb, static_cast<const uint8_t*>(frame) + 4 * index, sizeof argb);
        return reversed(__builtin_convertvector(__builtin_convertvector(argb, Int4), Vec4));
    }
    static void store(void* frame, int64_t index, const Pixel& p) {
        const Int4 bgra = __builtin_convertvector(p, Int4);                 // truncation toward zero
        const Byte4 argb = __builtin_convertvector(reversed(bgra), Byte4);  // the low bytes
        std::memcpy(static_cast<uint8_t*>(frame) + 4 * index, &argb, sizeof argb);
    }
};

}  // namespace duovis
