// What one run of a CPU stereo kernel covers: the pixel format of its frames and a band of the
// eye grid's rows.
#pragma once

#include <cstdint>

namespace duovis {

// 8-bit ARGB or float BGRA frames.
enum class CpuPixelFormat { Argb8, Bgra32f };

// Eye-grid rows [begin, end) of one frame. Bands that start on even rows may run in any order
// and at the same time: where two positions store to one destination pixel (the squeezes),
// only the one a single top-to-bottom pass stores last makes its store, and every other store
// that meets another stays within one row.
struct RowBand {
    int32_t begin = 0;
    int32_t end = INT32_MAX;
};

}  // namespace duovis
