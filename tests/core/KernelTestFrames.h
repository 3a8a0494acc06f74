// Small frames and argument records for driving the stereo kernel in tests. Frames keep their
// pixels in exact-size heap buffers so that the address sanitizer sees any read past an edge,
// and they are read and written through their own byte layout, not through the kernel's.
#pragma once

#include "DeviceReferenceKernel.h"
#include "core/frame/KernelArgs.h"
#include "core/kernel/CpuKernelDispatch.h"
#include "core/kernel/HalfFloat.h"

#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <vector>

namespace duovis::test {

// The ways the kernel is run: the host render's two formats and the device arithmetic.
enum class Path { CpuFloat, CpuByte, DeviceFloat, DeviceHalfTowardZero, DeviceHalfNearest };

inline const char* pathName(Path p) {
    switch (p) {
        case Path::CpuFloat:
            return "CpuFloat";
        case Path::CpuByte:
            return "CpuByte";
        case Path::DeviceFloat:
            return "DeviceFloat";
        case Path::DeviceHalfTowardZero:
            return "DeviceHalfTowardZero";
        case Path::DeviceHalfNearest:
            return "DeviceHalfNearest";
    }
    return "?";
}
inline std::ostream& operator<<(std::ostream& os, Path p) {
    return os << pathName(p);
}

inline bool isCpu(Path p) {
    return p == Path::CpuFloat || p == Path::CpuByte;
}
inline bool isHalf(Path p) {
    return p == Path::DeviceHalfTowardZero || p == Path::DeviceHalfNearest;
}
inline float fullIntensity(Path p) {
    return p == Path::CpuByte ? 255.0f : 1.0f;
}

struct Rgba {
    float r = 0, g = 0, b = 0, a = 0;
    bool operator==(const Rgba& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};
inline std::ostream& operator<<(std::ostream& os, const Rgba& c) {
    return os << "(r " << c.r << ", g " << c.g << ", b " << c.b << ", a " << c.a << ")";
}

// One frame in a path's layout: 8-bit A,R,G,B; float B,G,R,A; or half B,G,R,A.
class Frame {
  public:
    Frame(Path path, int32_t width, int32_t height, Rgba fill = {})
        : path_(path), width_(width), height_(height) {
        const size_t n = size_t(width) * size_t(height) * 4;
        if (path == Path::CpuByte) {
            bytes_.resize(n);
        } else if (isHalf(path)) {
            halves_.resize(n);
        } else {
            floats_.resize(n);
        }
        for (int32_t r = 0; r < height; ++r)
            for (int32_t c = 0; c < width; ++c) set(c, r, fill);
    }

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    const void* data() const { return const_cast<Frame*>(this)->data(); }
    void* data() {
        if (!bytes_.empty()) return bytes_.data();
        if (!halves_.empty()) return halves_.data();
        return floats_.data();
    }
    uint16_t halfBits(int32_t c, int32_t r, int ch) const { return halves_[index(c, r) + size_t(ch)]; }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

    void set(int32_t c, int32_t r, Rgba v) {
        const size_t i = index(c, r);
        if (path_ == Path::CpuByte) {
            bytes_[i] = uint8_t(v.a), bytes_[i + 1] = uint8_t(v.r), bytes_[i + 2] = uint8_t(v.g);
            bytes_[i + 3] = uint8_t(v.b);
        } else if (isHalf(path_)) {
            const float ch[4] = {v.b, v.g, v.r, v.a};
            for (int k = 0; k < 4; ++k)
                halves_[i + size_t(k)] = floatToHalf(ch[k], HalfRounding::NearestEven);
        } else {
            floats_[i] = v.b, floats_[i + 1] = v.g, floats_[i + 2] = v.r, floats_[i + 3] = v.a;
        }
    }
    Rgba at(int32_t c, int32_t r) const {
        const size_t i = index(c, r);
        if (path_ == Path::CpuByte)
            return {float(bytes_[i + 1]), float(bytes_[i + 2]), float(bytes_[i + 3]), float(bytes_[i])};
        if (isHalf(path_)) {
            return {halfToFloat(halves_[i + 2]), halfToFloat(halves_[i + 1]), halfToFloat(halves_[i]),
                    halfToFloat(halves_[i + 3])};
        }
        return {floats_[i + 2], floats_[i + 1], floats_[i], floats_[i + 3]};
    }

  private:
    size_t index(int32_t c, int32_t r) const { return (size_t(r) * size_t(width_) + size_t(c)) * 4; }

    Path path_;
    int32_t width_, height_;
    std::vector<uint8_t> bytes_;
    std::vector<float> floats_;
    std::vector<uint16_t> halves_;
};

// Neutral arguments: identity matrices, full crop windows, no automatic adjustment, pitches
// equal to the frames' widths.
inline TransformKernelArgs neutralArgs(Path path, const Frame& primary, const Frame* secondary, Frame& dest,
                                       int32_t eyeW, int32_t eyeH, int32_t display) {
    TransformKernelArgs a;
    a.inImageL = primary.data();
    a.inImageR = secondary ? secondary->data() : nullptr;
    a.inImageD = dest.data();
    a.inPitchL = primary.width();
    a.inPitchR = secondary ? secondary->width() : 0;
    a.inPitchD = dest.width();
    a.inIs16f = isHalf(path) ? 1 : 0;
    a.inWidthL = primary.width();
    a.inHeightL = primary.height();
    a.inWidthR = secondary ? secondary->width() : primary.width();
    a.inHeightR = secondary ? secondary->height() : primary.height();
    a.inWidthLP = eyeW;
    a.inHeightLP = eyeH;
    a.inDispMode = display;
    a.inAutoCropL = -0.5f;
    a.inAutoCropT = -0.5f;
    a.inAutoCropR = float(eyeW) + 0.5f;
    a.inAutoCropB = float(eyeH) + 0.5f;
    return a;
}

// The instruction set of the CPU render under test: DUOVIS_CPU_TARGET pins it, as it does the
// module's.
inline CpuKernelTarget testCpuTarget() {
    return pinnedCpuKernelTarget(std::getenv("DUOVIS_CPU_TARGET"));
}

inline void runKernel(Path path, const TransformKernelArgs& a) {
    switch (path) {
        case Path::CpuFloat:
            runCpuTransformKernel(a, CpuPixelFormat::Bgra32f, {}, testCpuTarget());
            break;
        case Path::CpuByte:
            runCpuTransformKernel(a, CpuPixelFormat::Argb8, {}, testCpuTarget());
            break;
        case Path::DeviceFloat:
            runDeviceReferenceKernel(a, HalfRounding::NearestEven);
            break;
        case Path::DeviceHalfTowardZero:
            runDeviceReferenceKernel(a, HalfRounding::TowardZero);
            break;
        case Path::DeviceHalfNearest:
            runDeviceReferenceKernel(a, HalfRounding::NearestEven);
            break;
    }
}

}  // namespace duovis::test
