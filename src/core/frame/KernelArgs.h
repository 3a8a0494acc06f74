// The argument record of the stereo kernel. Its layout is the launch's: the three frame
// pointers as 8-byte values at offsets 0, 8 and 16, then 58 four-byte values from 24 to 252,
// in the fixed order that the OpenCL and CUDA kernels take them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace duovis {

struct TransformKernelArgs {
    const void* inImageL = nullptr;  // primary input
    const void* inImageR = nullptr;  // secondary input; null when absent
    void* inImageD = nullptr;        // destination
    int32_t inPitchL = 0;            // row pitches in pixels
    int32_t inPitchR = 0;
    int32_t inPitchD = 0;
    int32_t inIs16f = 0;  // 1: half-float channels, 0: 32-bit float channels
    int32_t inWidthL = 0;
    int32_t inWidthR = 0;
    int32_t inWidthLP = 0;  // eye grid width
    int32_t inHeightL = 0;
    int32_t inHeightR = 0;
    int32_t inHeightLP = 0;  // eye grid height
    int32_t inDispMode = 0;
    int32_t inDemuxMode0 = 0;
    int32_t inDemuxChan0 = 0;
    int32_t inDemuxMode1 = 0;
    int32_t inDemuxChan1 = 0;
    int32_t inSwapLR = 0;
    int32_t inGrayscale = 0;
    int32_t inInterlaceOdd = 0;
    float inFactor = 0.5f;  // onion-skin weight of the left eye
    float inL11 = 1, inL12 = 0, inL13 = 0, inL21 = 0, inL22 = 1, inL23 = 0, inL31 = 0, inL32 = 0, inL33 = 1;
    float inR11 = 1, inR12 = 0, inR13 = 0, inR21 = 0, inR22 = 1, inR23 = 0, inR31 = 0, inR32 = 0, inR33 = 1;
    float inCropLL = 0, inCropLT = 0, inCropLR = 100, inCropLB = 100;  // percent
    float inCropRL = 0, inCropRT = 0, inCropRR = 100, inCropRB = 100;
    float inAutoCropL = -0.5f, inAutoCropT = -0.5f, inAutoCropR = 0, inAutoCropB = 0;
    float inAutoScaleX = 1, inAutoScaleY = 1;
    float inAutoCenterX = 0, inAutoCenterY = 0;
    int32_t inEnableAreaAlter = 0;
    int32_t inAreaAlterColor = 0;
    float inAreaAlterX = 50, inAreaAlterY = 50, inAreaAlterR = 50;
};

constexpr int kTransformKernelArgCount = 61;

static_assert(sizeof(void*) == 8, "the launch passes frame pointers as 8-byte values");
static_assert(offsetof(TransformKernelArgs, inImageL) == 0, "argument 0");
static_assert(offsetof(TransformKernelArgs, inImageR) == 8, "argument 1");
static_assert(offsetof(TransformKernelArgs, inImageD) == 16, "argument 2");
static_assert(offsetof(TransformKernelArgs, inPitchL) == 24, "argument 3");
static_assert(offsetof(TransformKernelArgs, inInterlaceOdd) == 24 + 17 * 4, "argument 20");
static_assert(offsetof(TransformKernelArgs, inFactor) == 24 + 18 * 4, "argument 21");
static_assert(offsetof(TransformKernelArgs, inL11) == 24 + 19 * 4, "argument 22");
static_assert(offsetof(TransformKernelArgs, inR11) == 24 + 28 * 4, "argument 31");
static_assert(offsetof(TransformKernelArgs, inCropLL) == 24 + 37 * 4, "argument 40");
static_assert(offsetof(TransformKernelArgs, inAutoCropL) == 24 + 45 * 4, "argument 48");
static_assert(offsetof(TransformKernelArgs, inEnableAreaAlter) == 24 + 53 * 4, "argument 56");
static_assert(offsetof(TransformKernelArgs, inAreaAlterR) == 252, "argument 60");
static_assert(sizeof(TransformKernelArgs) == 256, "61 arguments, nothing else");

// Byte offset and size of argument i (0..60) in the record, as the launch pushes them.
constexpr size_t kernelArgOffset(int i) {
    return i < 3 ? size_t(i) * 8 : 24 + size_t(i - 3) * 4;
}
constexpr size_t kernelArgSize(int i) {
    return i < 3 ? 8 : 4;
}

}  // namespace duovis
