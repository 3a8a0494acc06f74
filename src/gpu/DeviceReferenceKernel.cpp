// The device kernel text as plain C++: the macros below stand for the address spaces, the
// work-item index and the half conversions, and the text's functions become members of one
// work-item object, so the index and the chosen half rounding are plain members.
#include "DeviceReferenceKernel.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace duovis {

namespace {

struct float4 {
    float x, y, z, w;
};

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
#define DV_LOAD_HALF4(frame, i) loadHalf4((frame), (i))
#define DV_STORE_HALF4(frame, i, c) storeHalf4((frame), (i), (c))

class DeviceWorkItem {
  public:
    explicit DeviceWorkItem(HalfRounding halfStores) : halfStores_(halfStores) {}

    int posX = 0, posY = 0;

  private:
    typedef int64_t dv_index;

  public:
    // The text is C: C casts, implicit int-to-float conversions and parameters some stages
    // leave unread.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wold-style-cast"
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wsign-conversion"
#pragma GCC diagnostic ignored "-Wdouble-promotion"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wshadow"
#include "kernel/TransformKernel.clh"
#pragma GCC diagnostic pop

  private:
    static int floatBits(float f) {
        int32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        return bits;
    }

    // Frames are addressed in pixels of their own format, as on the devices.
    static float4 loadHalf4(const float4* frame, int64_t i) {
        uint16_t h[4];
        std::memcpy(h, reinterpret_cast<const uint16_t*>(frame) + 4 * i, sizeof h);
        return float4{halfToFloat(h[0]), halfToFloat(h[1]), halfToFloat(h[2]), halfToFloat(h[3])};
    }

    void storeHalf4(float4* frame, int64_t i, float4 c) const {
        const uint16_t h[4] = {floatToHalf(c.x, halfStores_), floatToHalf(c.y, halfStores_),
                               floatToHalf(c.z, halfStores_), floatToHalf(c.w, halfStores_)};
        std::memcpy(reinterpret_cast<uint16_t*>(frame) + 4 * i, h, sizeof h);
    }

    HalfRounding halfStores_;
};

}  // namespace

void runDeviceReferenceKernel(const TransformKernelArgs& a, HalfRounding halfStores) {
    DeviceWorkItem item(halfStores);
    const auto* left = static_cast<const float4*>(a.inImageL);
    const auto* right = static_cast<const float4*>(a.inImageR);
    auto* destination = static_cast<float4*>(a.inImageD);
    for (int y = 0; y < a.inHeightLP; ++y) {
        for (int x = 0; x < a.inWidthLP; ++x) {
            item.posX = x;
            item.posY = y;
            item.TransformKernel(
                left, right, destination, a.inPitchL, a.inPitchR, a.inPitchD, a.inIs16f, a.inWidthL,
                a.inWidthR, a.inWidthLP, a.inHeightL, a.inHeightR, a.inHeightLP, a.inDispMode, a.inDemuxMode0,
                a.inDemuxChan0, a.inDemuxMode1, a.inDemuxChan1, a.inSwapLR, a.inGrayscale, a.inInterlaceOdd,
                a.inFactor, a.inL11, a.inL12, a.inL13, a.inL21, a.inL22, a.inL23, a.inL31, a.inL32, a.inL33,
                a.inR11, a.inR12, a.inR13, a.inR21, a.inR22, a.inR23, a.inR31, a.inR32, a.inR33, a.inCropLL,
                a.inCropLT, a.inCropLR, a.inCropLB, a.inCropRL, a.inCropRT, a.inCropRR, a.inCropRB,
                a.inAutoCropL, a.inAutoCropT, a.inAutoCropR, a.inAutoCropB, a.inAutoScaleX, a.inAutoScaleY,
                a.inAutoCenterX, a.inAutoCenterY, a.inEnableAreaAlter, a.inAreaAlterColor, a.inAreaAlterX,
                a.inAreaAlterY, a.inAreaAlterR);
        }
    }
}

}  // namespace duovis
