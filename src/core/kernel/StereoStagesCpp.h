// What the stereo kernel's text (StereoStages.clh) needs to be C++: the float4 type, the
// macros for address spaces and built-ins, and the loop that stands for a device's grid. An
// includer puts the text inside a class derived from StereoWorkItem (so the text's functions
// are members and may use the includer's own loads and stores), after defining the macros and
// switches in which its build departs from the devices.
#pragma once

#include "core/frame/KernelArgs.h"
#include "core/kernel/StereoRules.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace duovis::stereo {

struct float4 {
    float x, y, z, w;
};

struct StereoWorkItem {
    int posX = 0, posY = 0;  // the text reads these only in its kernel entry
    typedef int64_t dv_index;
};

// Eye-grid rows [rowBegin, rowEnd) of a frame, position by position in grid order, as one
// device thread would run the whole grid. The jobs are made once for the frame.
template <class Item>
void runStereoRows(Item& item, const TransformKernelArgs& a, int32_t rowBegin, int32_t rowEnd) {
    if (!a.inImageD) return;
    const auto* left = static_cast<const float4*>(a.inImageL);
    const auto* right = static_cast<const float4*>(a.inImageR);
    auto* destination = static_cast<float4*>(a.inImageD);
    const auto first =
        item.firstJob(left, a.inIs16f, a.inWidthL, a.inHeightL, a.inPitchL, a.inDemuxMode0, a.inDemuxChan0,
                      a.inWidthLP, a.inHeightLP, a.inCropLL, a.inCropLT, a.inCropLR, a.inCropLB);
    const auto second =
        item.secondJob(left, right, a.inIs16f, a.inWidthL, a.inWidthR, a.inHeightL, a.inHeightR, a.inPitchL,
                       a.inPitchR, a.inDemuxMode0, a.inDemuxChan0, a.inDemuxMode1, a.inDemuxChan1,
                       a.inWidthLP, a.inHeightLP, a.inCropRL, a.inCropRT, a.inCropRR, a.inCropRB);
    const int32_t end = std::min(rowEnd, a.inHeightLP);
    for (int32_t y = std::max(rowBegin, int32_t(0)); y < end; ++y) {
        for (int32_t x = 0; x < a.inWidthLP; ++x) {
            item.stereoAt(x, y, first, second, destination, a.inIs16f, a.inPitchD, a.inWidthLP, a.inHeightLP,
                          a.inDispMode, a.inSwapLR, a.inGrayscale, a.inInterlaceOdd, a.inFactor, a.inL11,
                          a.inL12, a.inL13, a.inL21, a.inL22, a.inL23, a.inL31, a.inL32, a.inL33, a.inR11,
                          a.inR12, a.inR13, a.inR21, a.inR22, a.inR23, a.inR31, a.inR32, a.inR33,
                          a.inAutoCropL, a.inAutoCropT, a.inAutoCropR, a.inAutoCropB, a.inAutoScaleX,
                          a.inAutoScaleY, a.inAutoCenterX, a.inAutoCenterY, a.inEnableAreaAlter,
                          a.inAreaAlterColor, a.inAreaAlterX, a.inAreaAlterY, a.inAreaAlterR);
        }
    }
}

}  // namespace duovis::stereo

#define DUOVIS_KERNEL_AS_CPP 1
#define DV_KERNEL
#define DV_GLOBAL
#define DV_FUNC
#define DV_POS_X posX
#define DV_POS_Y posY
#define DV_FLOAT4(b, g, r, a) (float4{(b), (g), (r), (a)})
#define DV_FABS(x) std::fabs(x)
#define DV_FLOAT_BITS(x) floatBits(x)
#define DV_WIDE(c) c##f

// The text is C: C casts, implicit int-to-float conversions and parameters some stages leave
// unread. Wrap its inclusion in these.
#define DUOVIS_STAGES_BEGIN                                                               \
    _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Wold-style-cast\"") \
        _Pragma("GCC diagnostic ignored \"-Wconversion\"")                                \
            _Pragma("GCC diagnostic ignored \"-Wfloat-conversion\"")                      \
                _Pragma("GCC diagnostic ignored \"-Wsign-conversion\"")                   \
                    _Pragma("GCC diagnostic ignored \"-Wdouble-promotion\"")              \
                        _Pragma("GCC diagnostic ignored \"-Wunused-parameter\"")          \
                            _Pragma("GCC diagnostic ignored \"-Wshadow\"")
#define DUOVIS_STAGES_END _Pragma("GCC diagnostic pop")
