#include "engine/EngineRender.h"

#include "core/frame/FramePlan.h"
#include "core/frame/GlobalDisplayState.h"
#include "core/frame/KernelSetup.h"
#include "core/kernel/CpuKernelDispatch.h"
#include "core/kernel/RowBands.h"
#include "core/kernel/StereoKernel.h"
#include "engine/PixelConvert.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace duovis::engine {

namespace {

// Engines have no panel to force a display type on every instance: the switch stays off.
FramePlan planFor(const ParamValues& v, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) throw std::invalid_argument("the frame has no pixels");
    return planFrame(GlobalDisplayState{}, v, LayerSize{uint32_t(width), uint32_t(height), {}, {}});
}

// A frame in the kernel's layout, tightly packed (pitch = width).
struct KernelCopy {
    std::vector<uint8_t> bytes;
    int32_t width = 0, height = 0;
    int64_t rowBytes = 0;
};

// An engine pixel: four 8-bit or four 16-bit channels.
int engineBytes(EnginePixels p) {
    return p == EnginePixels::Rgba8 ? 4 : 8;
}

// The kernel's pixel: 8-bit ARGB or float BGRA.
int kernelBytes(EnginePixels p) {
    return p == EnginePixels::Rgba8 ? 4 : 16;
}

// Rows [0, height) split into `count` ranges for the engine's bands.
void forRowRanges(int32_t height, const BandRunner& runBands, const std::function<void(int32_t)>& row) {
    const int32_t count = std::clamp<int32_t>(height / 64, 1, 16);
    runBands(count, [&](int32_t band) {
        const int32_t begin = int32_t(int64_t(height) * band / count);
        const int32_t end = int32_t(int64_t(height) * (band + 1) / count);
        for (int32_t y = begin; y < end; ++y) row(y);
    });
}

KernelCopy toKernel(const EngineImage& in, EnginePixels pixels, const BandRunner& runBands) {
    KernelCopy k{{}, in.width, in.height, int64_t(in.width) * kernelBytes(pixels)};
    k.bytes.resize(size_t(k.rowBytes) * size_t(in.height));
    forRowRanges(in.height, runBands, [&](int32_t y) {
        const auto* src = static_cast<const uint8_t*>(in.data) + y * in.stride;
        uint8_t* dst = k.bytes.data() + y * k.rowBytes;
        if (pixels == EnginePixels::Rgba8) {
            rgba8ToArgb8(src, dst, in.width);
        } else {
            rgba64ToBgraFloat(reinterpret_cast<const uint16_t*>(src), reinterpret_cast<float*>(dst),
                              in.width);
        }
    });
    return k;
}

void fromKernel(const KernelCopy& k, EnginePixels pixels, const EngineTarget& target,
                const BandRunner& runBands) {
    const int32_t ox = (target.width - k.width) / 2;
    const int32_t oy = (target.height - k.height) / 2;
    forRowRanges(k.height, runBands, [&](int32_t y) {
        const uint8_t* src = k.bytes.data() + y * k.rowBytes;
        auto* dst =
            static_cast<uint8_t*>(target.data) + (oy + y) * target.stride + int64_t(ox) * engineBytes(pixels);
        if (pixels == EnginePixels::Rgba8) {
            argb8ToRgba8(src, dst, k.width);
        } else {
            bgraFloatToRgba64(reinterpret_cast<const float*>(src), reinterpret_cast<uint16_t*>(dst), k.width);
        }
    });
}

KernelFrame kernelFrame(const KernelCopy& k) {
    return KernelFrame{k.bytes.data(), k.width, k.width, k.height};
}

bool present(const EngineImage* image) {
    return image && image->data && image->width > 0 && image->height > 0;
}

void checkImage(const EngineImage& image, EnginePixels pixels, const char* what) {
    if (image.stride < int64_t(image.width) * engineBytes(pixels))
        throw std::invalid_argument(std::string(what) + " rows are shorter than its width");
}

}  // namespace

void runBandsInline(int32_t count, const std::function<void(int32_t)>& band) {
    for (int32_t i = 0; i < count; ++i) band(i);
}

EngineSize outputSize(const ParamValues& v, int32_t width, int32_t height) {
    const OutputSize out = planFor(v, width, height).sizes.output;
    return EngineSize{int32_t(out.width), int32_t(out.height)};
}

void renderFrame(const ParamValues& v, EnginePixels pixels, const EngineImage& left, const EngineImage* right,
                 const EngineTarget& target, int32_t frameNumber, const BandRunner& runBands) {
    if (!present(&left)) throw std::invalid_argument("the first frame has no pixels");
    checkImage(left, pixels, "the first frame's");
    if (present(right)) checkImage(*right, pixels, "the second frame's");
    const FramePlan plan = planFor(v, left.width, left.height);
    const OutputSize need = plan.sizes.output;
    if (!target.data || target.width < int32_t(need.width) || target.height < int32_t(need.height) ||
        target.stride < int64_t(target.width) * engineBytes(pixels))
        throw std::invalid_argument("the output frame is smaller than the image");

    const KernelCopy primary = toKernel(left, pixels, runBands);
    const KernelCopy secondary = present(right) ? toKernel(*right, pixels, runBands) : KernelCopy{};
    KernelCopy out{{}, int32_t(need.width), int32_t(need.height), int64_t(need.width) * kernelBytes(pixels)};
    out.bytes.assign(size_t(out.rowBytes) * need.height, 0);

    KernelFrames frames;
    frames.primary = kernelFrame(primary);
    if (present(right)) frames.secondary = kernelFrame(secondary);
    frames.destination = out.bytes.data();
    frames.destinationPitch = out.width;
    const TransformKernelArgs args = fillKernelArgs(v, frames, plan, frameNumber);
    const CpuPixelFormat format =
        pixels == EnginePixels::Rgba8 ? CpuPixelFormat::Argb8 : CpuPixelFormat::Bgra32f;
    const RowBandPlan bands = planRowBands(args.inWidthLP, args.inHeightLP, args.inDispMode);
    // Planned once for the frame; the bands share it.
    const CpuKernelPlan kernelPlan = planCpuKernel(args, format);
    if (bands.count < 2) {
        runCpuTransformKernel(kernelPlan, format, RowBand{}, CpuKernelTarget{});
    } else {
        runBands(bands.count, [&](int32_t i) {
            runCpuTransformKernel(kernelPlan, format, rowBandAt(bands, i), CpuKernelTarget{});
        });
    }
    fromKernel(out, pixels, target, runBands);
}

}  // namespace duovis::engine
