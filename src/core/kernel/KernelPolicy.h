// The ways the CPU's per-pixel algorithm can be run, each one named switch read by the kernel
// in StereoKernel.h. The host's CPU render centres the primary frame on the eye grid and takes
// a few steps in double precision; turned the other way, the switches describe the device
// kernel (single precision, primary frame anchored at its top-left corner), whose reference is
// its own text compiled for the CPU.
#pragma once

namespace duovis {

enum class CropRounding {
    HalfAwayFromZero,  // round(): -2.5 gives -3
    HalfUp,            // floor(x + 0.5): -2.5 gives -2
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
