// How the eye grid is cut into 16 x 16 blocks for the two back ends. Pure arithmetic, so that
// the sizes the launches use can be checked without a device.
#pragma once

#include <cstddef>
#include <cstdint>

namespace duovis::gpu {

constexpr uint32_t kBlockSide = 16;

// OpenCL global work size along one axis: the eye size rounded up to whole work-groups; 0
// stays 0. Negative sizes (which no frame has) count as 0.
constexpr size_t openClGlobalSize(int32_t eyeSize) {
    return eyeSize <= 0 ? 0 : (size_t(eyeSize) + kBlockSide - 1) / kBlockSide * kBlockSide;
}

// CUDA grid size along one axis, in blocks: (size + 15) >> 4 in unsigned arithmetic; negative
// sizes count as 0 rather than wrapping to a huge grid.
constexpr uint32_t cudaGridSize(int32_t eyeSize) {
    return eyeSize <= 0 ? 0 : (uint32_t(eyeSize) + kBlockSide - 1) >> 4;
}

}  // namespace duovis::gpu
