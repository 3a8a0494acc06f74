// What the vector CPU kernel needs to know about one frame, settled once before the loop: the
// two sampling jobs with their placement maps and crop limits, the matrices, the auto
// adjustment and the looking glass. Every value is computed with the operations the reference
// kernel uses, so the loop can apply them lane by lane and land on the same bits.
#pragma once

#include "core/frame/KernelArgs.h"

#include <cstdint>

namespace duovis {

// How one axis of an eye position becomes a sample position in a job's frame; `a` and `b`
// are the job's constants. Each kind keeps the reference's operations and their order.
enum class AxisMap : uint8_t {
    Pass,           // u
    DivTwo,         // u / 2
    AddDivTwo,      // (u + a) / 2
    AddMulHalf,     // (u + a) * 0.5
    AddAfter,       // u + a
    AddBefore,      // a + u
    Centre,         // a - (b - u)
    CentreMulHalf,  // a - (b - u) * 0.5
};

struct AxisPlan {
    AxisMap map = AxisMap::Pass;
    float a = 0, b = 0;
};

struct JobPlan {
    const void* frame = nullptr;
    int32_t pitch = 0;
    bool active = false;  // a frame to sample and a non-empty window
    AxisPlan x, y;
    int32_t limL = 0, limR = 0, limT = 0, limB = 0;  // the window's pixel limits
    float loX = 0, hiX = 0, loY = 0, hiY = 0;        // window test bounds (exact in float)
};

struct CpuKernelPlan {
    // False where a frame is too large for 32-bit lane indices or single-precision window
    // bounds; the reference loop then renders the frame.
    bool vectorisable = true;
    const TransformKernelArgs* args = nullptr;
    int32_t eyeW = 0, eyeH = 0;
    float halfW = 0, halfH = 0;
    bool unitScaleX = false;
    float m[2][9] = {};  // left and right inverse matrices, m11 .. m33
    bool affine[2] = {};
    bool swap = false, gray = false;
    bool needFirst = true, needSecond = true;  // jobs whose colour the display code stores
    JobPlan first, second;
    bool lensOn = false;
    float lensX = 0, lensY = 0, lensR2 = 0, ringR2 = 0;
    // Rows on whole pixels take each sample without a blend's weights: float rows for every
    // display code, 8-bit rows (composed from the source bytes without a float) where the
    // display code needs no rounding of its own and there is no looking glass.
    bool wholePixelRows = false;
};

// Where one eye of one row samples: eye columns [lo, hi) take source pixel `base` + x exactly
// (both weights 0), every other column takes no sample. The blend's other taps are the next
// column, except at eye column `edge` (the window's last), and the pixel `below` further on
// (0 on the window's last row).
struct PixelRun {
    int64_t base = 0;
    int32_t lo = 0, hi = 0;
    int32_t edge = 0;
    int64_t below = 0;
};

// The two eyes' runs for a row whose auto pre-mapped row is `y1`, after the swap: `left` feeds
// the left colour. False where a needed eye does not fall on whole pixels along the row.
bool wholePixelRow(const CpuKernelPlan& plan, float y1, PixelRun& left, PixelRun& right);

CpuKernelPlan planCpuKernel(const TransformKernelArgs& args, int bytesPerPixel);

}  // namespace duovis
