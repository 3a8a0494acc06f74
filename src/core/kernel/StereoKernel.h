// The stereo kernel on the CPU: for one eye-grid position it maps back into each eye's source,
// samples both eyes bilinearly inside their crop windows, applies swap, grayscale and the
// looking glass, and stores by display code. Invocations are independent; `run` walks the eye
// grid row by row, so where two positions store to one destination pixel (display codes 2 and
// 4) the later one in that order remains.
#pragma once

#include "core/frame/KernelArgs.h"
#include "core/kernel/KernelPolicy.h"
#include "core/kernel/PixelFormats.h"

#include <cstdint>

namespace duovis {

enum class CpuPixelFormat { Argb8, Bgra32f };

// Eye-grid rows [begin, end) of one frame. Through runCpuTransformKernel, bands that start on
// even rows may run in any order and at the same time: the top-bottom squeeze stores each
// destination row once, from the row a single pass would leave there (with an odd eye height
// the right eye's pairs straddle even-row bands, so storing both would race), and every other
// store that meets another stays within one row.
struct RowBand {
    int32_t begin = 0;
    int32_t end = INT32_MAX;
};

// The host's CPU render: 8-bit ARGB or float BGRA frames, with the CPU's departures.
void runCpuTransformKernel(const TransformKernelArgs& args, CpuPixelFormat format, RowBand rows = {});

template <class Format, class Policy>
void runTransformKernel(const TransformKernelArgs& args, RowBand rows = {});

}  // namespace duovis
