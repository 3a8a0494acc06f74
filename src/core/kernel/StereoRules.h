// The stereo kernel's per-frame rules (StereoRules.clh) as C++, for the code that plans or
// mirrors the kernel: the vector kernel's plan and the depth tools. They live in their own
// namespace, as the text declares the display and demux codes again.
#pragma once

#include <cstdint>
#include <cstring>

namespace duovis::stereo {

inline int floatBits(float f) {
    int32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

#define DV_FUNC inline
#define DV_FLOAT_BITS(x) floatBits(x)
// The text is C: C casts and int arithmetic mixed with float.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wold-style-cast"
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wsign-conversion"
#include "core/kernel/StereoRules.clh"
#pragma GCC diagnostic pop
#undef DV_FUNC
#undef DV_FLOAT_BITS

}  // namespace duovis::stereo
