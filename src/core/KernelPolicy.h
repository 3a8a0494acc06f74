// The ways one per-pixel algorithm is run. The device kernels compute everything in single
// precision with the primary frame anchored at its top-left corner; the host's CPU render
// centres the primary frame on the eye grid and takes a few steps in double precision. Each
// difference is one named switch here, read by the single kernel in StereoKernel.h.
#pragma once

namespace duovis {

enum class CropRounding {
    HalfAwayFromZero,  // round(): -2.5 gives -3
    HalfUp,            // floor(x + 0.5): -2.5 gives -2
};

struct DeviceKernelPolicy {
    static constexpr bool kCentrePrimary = false;
    static constexpr CropRounding kCropRounding = CropRounding::HalfAwayFromZero;
    static constexpr bool kWindowTestInDouble = false;
    static constexpr bool kFixedOnionWeight = false;    // blend with inFactor
    static constexpr bool kColourMathInDouble = false;  // optimized red and differences
    static constexpr bool kLensGeometryInDouble = false;
};

struct CpuRenderPolicy {
    static constexpr bool kCentrePrimary = true;
    static constexpr CropRounding kCropRounding = CropRounding::HalfUp;
    static constexpr bool kWindowTestInDouble = true;
    static constexpr bool kFixedOnionWeight = true;  // 0.5 for both eyes
    static constexpr bool kColourMathInDouble = true;
    static constexpr bool kLensGeometryInDouble = true;
};

}  // namespace duovis
