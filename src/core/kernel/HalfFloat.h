// IEEE 754 binary16 conversions, bit-exact and independent of the CPU's instruction set. The
// two device back ends store half floats differently (the OpenCL program rounds toward zero,
// the CUDA kernel to nearest with ties to even); both are here so the CPU can reproduce them.
#pragma once

#include <cstdint>

namespace duovis {

enum class HalfRounding { TowardZero, NearestEven };

float halfToFloat(uint16_t h);
uint16_t floatToHalf(float f, HalfRounding rounding);

}  // namespace duovis
