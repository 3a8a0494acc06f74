// The stereo kernel with any parameter values, display state, frame sizes, pitches, downsample
// ratios and (optionally) any argument record on top: every frame is an exactly-sized buffer,
// so the address sanitizer stops any read outside a source frame or write outside the
// destination. The destination's row padding must stay untouched, and in the float formats
// every pixel of the output must be written.
#include <cstring>
#include <vector>

#include "DeviceReferenceKernel.h"
#include "FuzzSupport.h"
#include "core/frame/GlobalDisplayState.h"
#include "core/frame/KernelSetup.h"
#include "core/kernel/CpuKernelDispatch.h"
#include "core/params/Codes.h"
#include "core/params/ParamRules.h"
#include "core/params/ParamTable.h"

using namespace duovis;

namespace {

enum class Path { CpuByte, CpuFloat, DeviceFloat, DeviceHalfTowardZero, DeviceHalfNearest };

int bytesPerPixel(Path p) {
    switch (p) {
        case Path::CpuByte:
            return 4;
        case Path::CpuFloat:
        case Path::DeviceFloat:
            return 16;
        default:
            return 8;
    }
}

void run(const TransformKernelArgs& a, Path p) {
    switch (p) {
        case Path::CpuByte:
            return runCpuTransformKernel(a, CpuPixelFormat::Argb8);
        case Path::CpuFloat:
            return runCpuTransformKernel(a, CpuPixelFormat::Bgra32f);
        case Path::DeviceFloat:
        case Path::DeviceHalfTowardZero:
            return runDeviceReferenceKernel(a, HalfRounding::TowardZero);
        case Path::DeviceHalfNearest:
            return runDeviceReferenceKernel(a, HalfRounding::NearestEven);
    }
}

// A frame of width × height pixels whose rows are `pitch` pixels apart, in a buffer that ends
// with its last pixel.
struct Frame {
    int32_t width = 0, height = 0, pitch = 0, bpp = 0;
    std::vector<std::uint8_t> bytes;

    Frame(int32_t w, int32_t h, int32_t extra, int bytesPer, std::uint8_t fill)
        : width(w), height(h), pitch(w + extra), bpp(bytesPer) {
        if (w > 0 && h > 0) bytes.assign(std::size_t((h - 1) * pitch + w) * std::size_t(bpp), fill);
    }
    std::uint8_t* data() { return bytes.empty() ? nullptr : bytes.data(); }
    std::uint8_t* at(int32_t col, int32_t row) {
        return bytes.data() + std::size_t(row * pitch + col) * std::size_t(bpp);
    }
};

// Source pixels: small finite values, whatever the format.
Frame sourceFrame(fuzz::Input& in, Path p) {
    const int32_t w = in.range(1, 40), h = in.range(1, 40), extra = in.range(0, 3);
    return Frame(w, h, extra, bytesPerPixel(p), p == Path::CpuByte ? 0x5A : 0x3C);
}

ParamValues values(fuzz::Input& in) {
    ParamValues v = ParamValues::defaults();
    for (int n = in.range(0, 32); n > 0 && in.left() > 0; --n) {
        const auto id = static_cast<ParamId>(in.range(0, PARAM_COUNT - 1));
        const ParamDef& d = paramDef(id);
        if (d.kind == ParamKind::Popup) {
            v[id] = in.range(0, d.choiceCount + 1);  // one past each end: a damaged project
        } else if (d.kind == ParamKind::Checkbox) {
            v[id] = in.range(0, 1);
        } else if (in.flag()) {
            const double lo = static_cast<double>(d.validMin), hi = static_cast<double>(d.validMax);
            v[id] = lo + (hi - lo) * in.range(0, 65535) / 65535.0;
        } else {
            v[id] = static_cast<double>(in.take<float>());  // anything, NaN and infinities too
        }
    }
    return v;
}

// Any values for the geometry, crop, auto-adjustment and looking-glass arguments, and any
// demux and store codes: the kernel must still keep to its frames.
void scramble(fuzz::Input& in, TransformKernelArgs& a) {
    float* floats[] = {&a.inL11,        &a.inL12,        &a.inL13,         &a.inL21,         &a.inL22,
                       &a.inL23,        &a.inL31,        &a.inL32,         &a.inL33,         &a.inR11,
                       &a.inR12,        &a.inR13,        &a.inR21,         &a.inR22,         &a.inR23,
                       &a.inR31,        &a.inR32,        &a.inR33,         &a.inCropLL,      &a.inCropLT,
                       &a.inCropLR,     &a.inCropLB,     &a.inCropRL,      &a.inCropRT,      &a.inCropRR,
                       &a.inCropRB,     &a.inAutoCropL,  &a.inAutoCropT,   &a.inAutoCropR,   &a.inAutoCropB,
                       &a.inAutoScaleX, &a.inAutoScaleY, &a.inAutoCenterX, &a.inAutoCenterY, &a.inAreaAlterX,
                       &a.inAreaAlterY, &a.inAreaAlterR, &a.inFactor};
    for (int n = in.range(0, 16); n > 0 && in.left() > 0; --n)
        *floats[in.range(0, int(sizeof floats / sizeof *floats) - 1)] = in.take<float>();
    int32_t* codes[] = {&a.inDemuxMode0,   &a.inDemuxChan0,      &a.inDemuxMode1,
                        &a.inDemuxChan1,   &a.inSwapLR,          &a.inGrayscale,
                        &a.inInterlaceOdd, &a.inEnableAreaAlter, &a.inAreaAlterColor};
    for (int n = in.range(0, 4); n > 0 && in.left() > 0; --n)
        *codes[in.range(0, int(sizeof codes / sizeof *codes) - 1)] = in.range(-2, 6);
}

constexpr std::uint8_t kUnwritten = 0xA5;  // a float NaN pattern no computation produces

bool untouched(const std::uint8_t* p, int n) {
    for (int i = 0; i < n; ++i)
        if (p[i] != kUnwritten) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const auto path = static_cast<Path>(in.range(0, 4));
    const ParamValues v = values(in);
    GlobalDisplayState state;
    state.displaySwitch = in.take<std::int8_t>();
    state.displayMode = in.range(-1, 16);
    const int code = displayCodeInForce(state, v.integer(DISPLAY_TYPE));
    fuzz::require(isDisplayTypeCode(code), "the code in force is a display code");

    const uint32_t layerW = static_cast<uint32_t>(in.range(0, 48)),
                   layerH = static_cast<uint32_t>(in.range(0, 48));
    const Ratio dsX{static_cast<uint32_t>(in.range(1, 2)), static_cast<uint32_t>(in.range(0, 2))};
    const Ratio dsY{static_cast<uint32_t>(in.range(1, 2)), static_cast<uint32_t>(in.range(0, 2))};
    const EyeSize eye = computeEyeSize(layerW, layerH, dsX, dsY, primaryDemuxCode(v));
    const OutputSize need = computeOutputSize(eye, code);

    Frame primary = sourceFrame(in, path);
    const bool withSecond = in.flag();
    Frame secondary = sourceFrame(in, path);
    Frame out(need.width, need.height, in.range(0, 3), bytesPerPixel(path), kUnwritten);

    KernelFrames frames;
    frames.primary = {primary.data(), primary.pitch, primary.width, primary.height};
    if (withSecond) frames.secondary = {secondary.data(), secondary.pitch, secondary.width, secondary.height};
    frames.destination = out.data();
    frames.destinationPitch = out.pitch;
    frames.halfFloat = path == Path::DeviceHalfTowardZero || path == Path::DeviceHalfNearest;
    TransformKernelArgs args = fillKernelArgs(v, frames, code, eye, need, in.take<std::int32_t>());
    if (in.flag()) scramble(in, args);
    run(args, path);

    const bool floats = path == Path::CpuFloat || path == Path::DeviceFloat;
    for (int32_t row = 0; row < out.height && !out.bytes.empty(); ++row) {
        if (row + 1 < out.height)
            fuzz::require(untouched(out.at(out.width, row), (out.pitch - out.width) * out.bpp),
                          "row padding of the destination is never written");
        if (!floats) continue;
        for (int32_t col = 0; col < out.width; ++col)
            fuzz::require(!untouched(out.at(col, row), out.bpp), "every output pixel is written");
    }
    return 0;
}
