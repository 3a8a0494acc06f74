#include "core/kernel/HalfFloat.h"

#include <cstring>

namespace duovis {

namespace {
uint32_t bitsOf(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}
float floatOf(uint32_t u) {
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}

// Drops `shift` low bits of `mantissa` with the chosen rounding. Carries out of the mantissa
// propagate naturally into the exponent field of the caller's sum.
uint32_t roundShift(uint32_t mantissa, int shift, HalfRounding rounding) {
    if (shift >= 32) return 0;
    const uint32_t kept = mantissa >> shift;
    if (rounding == HalfRounding::TowardZero) return kept;
    const uint32_t rest = mantissa & ((1u << shift) - 1u);
    const uint32_t half = 1u << (shift - 1);
    if (rest > half || (rest == half && (kept & 1u))) return kept + 1;
    return kept;
}
}  // namespace

float halfToFloat(uint16_t h) {
    const uint32_t sign = uint32_t(h & 0x8000u) << 16;
    const uint32_t exponent = (h >> 10) & 0x1Fu;
    uint32_t mantissa = h & 0x3FFu;
    if (exponent == 0x1F) return floatOf(sign | 0x7F800000u | (mantissa << 13));  // inf, NaN
    if (exponent != 0) return floatOf(sign | ((exponent + 112) << 23) | (mantissa << 13));
    if (mantissa == 0) return floatOf(sign);
    // Subnormal half: normalise into a float.
    int e = 113;
    while (!(mantissa & 0x400u)) {
        mantissa <<= 1;
        --e;
    }
    return floatOf(sign | (uint32_t(e) << 23) | ((mantissa & 0x3FFu) << 13));
}

uint16_t floatToHalf(float f, HalfRounding rounding) {
    const uint32_t u = bitsOf(f);
    const uint16_t sign = uint16_t((u >> 16) & 0x8000u);
    const int exponent = int((u >> 23) & 0xFFu);
    const uint32_t mantissa = u & 0x7FFFFFu;

    if (exponent == 0xFF) {  // inf stays inf, NaN stays a quiet NaN
        return uint16_t(sign | 0x7C00u | (mantissa ? 0x200u | (mantissa >> 13) : 0u));
    }
    const int halfExponent = exponent - 127 + 15;
    if (halfExponent >= 31) {
        // Too large: to nearest gives infinity, toward zero the largest finite half.
        return uint16_t(sign | (rounding == HalfRounding::NearestEven ? 0x7C00u : 0x7BFFu));
    }
    if (halfExponent <= 0) {
        // Subnormal or zero half: shift the full significand (with its hidden bit) into place.
        if (exponent == 0) return sign;  // float zero or subnormal: far below the half range
        const uint32_t significand = mantissa | 0x800000u;
        return uint16_t(sign | roundShift(significand, 14 - halfExponent, rounding));
    }
    const uint32_t biased = (uint32_t(halfExponent) << 10) + roundShift(mantissa, 13, rounding);
    // Rounding up from the largest finite half carries into the infinity pattern, as it should.
    return uint16_t(sign | biased);
}

}  // namespace duovis
