#include "GpuFrame.h"

#include <cmath>
#include <cstring>

namespace duovis::refhost::gpu {

PrPixelFormat pixelFormatCode(GpuFormat format) {
    return format == GpuFormat::Float32 ? PrPixelFormat(PrPixelFormat_GPU_BGRA_4444_32f)
                                        : PrPixelFormat(PrPixelFormat_GPU_BGRA_4444_16f);
}

int gpuBytesPerPixel(PrPixelFormat format) {
    return format == PrPixelFormat_GPU_BGRA_4444_32f ? 16 : 8;
}

std::uint16_t halfFromFloat(float value) {
    std::uint32_t f = 0;
    std::memcpy(&f, &value, sizeof f);
    const auto sign = static_cast<std::uint16_t>((f >> 16) & 0x8000u);
    const std::uint32_t magnitude = f & 0x7FFFFFFFu;
    if (magnitude >= 0x7F800000u) {  // infinity or NaN
        return static_cast<std::uint16_t>(sign | 0x7C00u | (magnitude > 0x7F800000u ? 0x200u : 0u));
    }
    if (magnitude >= 0x477FF000u) return static_cast<std::uint16_t>(sign | 0x7C00u);  // rounds past the top
    if (magnitude < 0x38800000u) {
        // Subnormal half: scale into units of 2^-24 and round to nearest even.
        const float scaled = std::fabs(value) * 16777216.0f;
        return static_cast<std::uint16_t>(sign | static_cast<std::uint16_t>(std::nearbyint(scaled)));
    }
    const std::uint32_t rebased = magnitude - 0x38000000u;  // exponent bias 127 -> 15
    std::uint32_t half = rebased >> 13;
    const std::uint32_t rest = rebased & 0x1FFFu;
    if (rest > 0x1000u || (rest == 0x1000u && (half & 1u) != 0)) ++half;
    return static_cast<std::uint16_t>(sign | half);
}

float floatFromHalf(std::uint16_t half) {
    const float sign = (half & 0x8000u) != 0 ? -1.0f : 1.0f;
    const int exponent = (half >> 10) & 0x1F;
    const int mantissa = half & 0x3FF;
    if (exponent == 0) return sign * std::ldexp(static_cast<float>(mantissa), -24);
    if (exponent == 31) return mantissa == 0 ? sign * INFINITY : NAN;
    return sign * std::ldexp(static_cast<float>(mantissa + 1024), exponent - 25);
}

std::vector<std::uint8_t> frameBytes(const World& world, PrPixelFormat format, int rowBytes) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(rowBytes) *
                                    static_cast<std::size_t>(world.height()));
    const bool half = gpuBytesPerPixel(format) == 8;
    for (int y = 0; y < world.height(); ++y)
        for (int x = 0; x < world.width(); ++x) {
            const PF_Pixel_BGRA_32f p = world.bgra(x, y);
            const float channels[4] = {p.blue, p.green, p.red, p.alpha};
            std::uint8_t* at =
                bytes.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(rowBytes) +
                static_cast<std::size_t>(x) * static_cast<std::size_t>(gpuBytesPerPixel(format));
            if (!half) {
                std::memcpy(at, channels, sizeof channels);
                continue;
            }
            const std::uint16_t h[4] = {halfFromFloat(channels[0]), halfFromFloat(channels[1]),
                                        halfFromFloat(channels[2]), halfFromFloat(channels[3])};
            std::memcpy(at, h, sizeof h);
        }
    return bytes;
}

World worldFromFrameBytes(const std::vector<std::uint8_t>& bytes, PrPixelFormat format, int width, int height,
                          int rowBytes) {
    World world(width, height, PixelFormat::Bgra32f);
    const bool half = gpuBytesPerPixel(format) == 8;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* at =
                bytes.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(rowBytes) +
                static_cast<std::size_t>(x) * static_cast<std::size_t>(gpuBytesPerPixel(format));
            float c[4] = {};
            if (half) {
                std::uint16_t h[4] = {};
                std::memcpy(h, at, sizeof h);
                for (int i = 0; i < 4; ++i) c[i] = floatFromHalf(h[i]);
            } else {
                std::memcpy(c, at, sizeof c);
            }
            world.setBgra(x, y, PF_Pixel_BGRA_32f{c[0], c[1], c[2], c[3]});
        }
    return world;
}

}  // namespace duovis::refhost::gpu
