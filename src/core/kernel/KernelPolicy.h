// The CPU render's departures from the device kernel. Its reference turns the kernel text's
// switches by these (StereoKernel.cpp), and the vector kernel's plan and lanes read them, so
// both follow one choice.
#pragma once

namespace duovis {

struct CpuRenderPolicy {
    static constexpr bool kCentrePrimary = true;  // the primary frame centred on the eye grid
    static constexpr bool kCropHalfUp = true;     // crop limits floor(x + 0.5), not round()
    static constexpr bool kWindowTestInDouble = true;
    static constexpr bool kFixedOnionWeight = true;  // 0.5 for both eyes, right eye first
    static constexpr bool kColourMathInDouble = true;
    static constexpr bool kLensGeometryInDouble = true;
};

// A value of one of those steps in double precision where `Wide`, else in single.
template <bool Wide, class T>
constexpr auto policyConstant(T c) {
    if constexpr (Wide) {
        return double(c);
    } else {
        return float(c);
    }
}

}  // namespace duovis
