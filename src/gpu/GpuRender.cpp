// The GPU render of one frame: the host's frames as the kernel sees them, the argument record
// from the same rules as the CPU render, one output frame of exactly the display's size, and
// one launch on the instance's device.
#include "DuovisGpu.h"

#include "core/frame/FramePlan.h"
#include "core/frame/GlobalDisplayState.h"
#include "core/frame/KernelSetup.h"

namespace duovis::gpu {

namespace {

// The formats the kernel reads and writes: float or half-float BGRA, 16 or 8 bytes a pixel;
// 0 for any other, which the render refuses.
int32_t pixelBytes(PrPixelFormat format) {
    switch (format) {
        case PrPixelFormat_GPU_BGRA_4444_32f:
            return 16;
        case PrPixelFormat_GPU_BGRA_4444_16f:
            return 8;
        default:
            return 0;
    }
}

// One host frame as the render needs it.
struct DeviceFrame {
    void* data = nullptr;  // device address or cl_mem
    csSDK_uint32 device = 0;
    PrPixelFormat format = 0;
    int32_t width = 0, height = 0, rowBytes = 0;
};

class FrameReader {
  public:
    FrameReader(const PrSDKGPUDeviceSuite& device, const PrSDKPPixSuite& ppix)
        : device_(device), ppix_(ppix) {}

    // False when the host cannot describe the frame, its pixel format is not one the kernel
    // reads (it would read every other format with the wrong layout), or its rows are too short
    // for its width (the kernel would read outside the frame's memory) or not a whole number of
    // pixels apart (the pitch in pixels would shear the picture).
    bool describe(PPixHand frame, DeviceFrame& out) const {
        if (frame == nullptr) return false;
        prRect bounds{};
        if (device_.GetGPUPPixDeviceIndex(frame, &out.device) != suiteError_NoError ||
            device_.GetGPUPPixData(frame, &out.data) != suiteError_NoError ||
            ppix_.GetPixelFormat(frame, &out.format) != suiteError_NoError ||
            ppix_.GetBounds(frame, &bounds) != suiteError_NoError ||
            ppix_.GetRowBytes(frame, &out.rowBytes) != suiteError_NoError) {
            return false;
        }
        const int64_t width = int64_t(bounds.right) - bounds.left;
        const int64_t height = int64_t(bounds.bottom) - bounds.top;
        if (out.data == nullptr || width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX)
            return false;
        out.width = int32_t(width);
        out.height = int32_t(height);
        const int32_t bytes = pixelBytes(out.format);
        return bytes != 0 && out.rowBytes % bytes == 0 && out.rowBytes / bytes >= out.width;
    }

  private:
    const PrSDKGPUDeviceSuite& device_;
    const PrSDKPPixSuite& ppix_;
};

KernelFrame kernelFrame(const DeviceFrame& f) {
    return KernelFrame{f.data, f.rowBytes / pixelBytes(f.format), f.width, f.height};
}

}  // namespace

bool Duovis_GPU::renderSuitesHeld() const {
    return mGPUDeviceSuite != nullptr && mGPUDeviceSuite->CreateGPUPPix != nullptr &&
           mGPUDeviceSuite->GetGPUPPixData != nullptr && mGPUDeviceSuite->GetGPUPPixDeviceIndex != nullptr &&
           mPPixSuite != nullptr && mPPixSuite->GetBounds != nullptr && mPPixSuite->GetRowBytes != nullptr &&
           mPPixSuite->GetPixelAspectRatio != nullptr && mPPixSuite->GetPixelFormat != nullptr &&
           mPPixSuite->Dispose != nullptr && mPPix2Suite != nullptr && mPPix2Suite->GetFieldOrder != nullptr;
}

prSuiteError Duovis_GPU::Render(const PrGPUFilterRenderParams* inRenderParams, const PPixHand* inFrames,
                                csSDK_size_t inFrameCount, PPixHand* outFrame) {
    if (inRenderParams == nullptr || inFrames == nullptr || inFrameCount == 0 || inFrames[0] == nullptr ||
        outFrame == nullptr) {
        return suiteError_Fail;
    }
    if (!renderSuitesHeld()) return suiteError_Fail;
    const FrameReader reader(*mGPUDeviceSuite, *mPPixSuite);

    DeviceFrame primary;
    if (!reader.describe(inFrames[0], primary)) return suiteError_Fail;
    // The instance's queue and kernel belong to its own device.
    if (primary.device != mDeviceIndex) return suiteError_Fail;
    csSDK_uint32 aspectNum = 1, aspectDen = 1;
    prFieldType field = prFieldsNone;
    if (mPPixSuite->GetPixelAspectRatio(inFrames[0], &aspectNum, &aspectDen) != suiteError_NoError ||
        mPPix2Suite->GetFieldOrder(inFrames[0], &field) != suiteError_NoError) {
        return suiteError_Fail;
    }

    KernelFrames frames;
    frames.primary = kernelFrame(primary);
    frames.halfFloat = primary.format == PrPixelFormat_GPU_BGRA_4444_16f;
    if (inFrameCount >= 2 && inFrames[1] != nullptr) {
        DeviceFrame secondary;
        // The kernel reads both inputs in one format on one device; any other frame would be
        // read with the wrong pixel size or from another context's memory.
        if (!reader.describe(inFrames[1], secondary) || secondary.device != primary.device ||
            secondary.format != primary.format) {
            return suiteError_Fail;
        }
        frames.secondary = kernelFrame(secondary);
    }

    const PrTime clipTime = inRenderParams->inClipTime;
    const ParamValues v = params().renderValues(clipTime);
    // The popups came zero-based from the host and are one-based in `v` again, so the display
    // code in force follows the same rule as on the CPU.
    const FramePlan plan =
        planFrame(globalDisplayState(), v, LayerSize{uint32_t(primary.width), uint32_t(primary.height)});
    const OutputSize output = plan.sizes.output;

    PPixHand created = nullptr;
    if (mGPUDeviceSuite->CreateGPUPPix(primary.device, primary.format, output.width, output.height,
                                       csSDK_int32(aspectNum), csSDK_int32(aspectDen), field,
                                       &created) != suiteError_NoError ||
        created == nullptr) {
        return suiteError_Fail;
    }
    // Until the launch succeeds the new frame is ours to give back.
    const auto fail = [&]() {
        mPPixSuite->Dispose(created);
        return suiteError_Fail;
    };
    void* destination = nullptr;
    csSDK_int32 destinationRowBytes = 0;
    if (mGPUDeviceSuite->GetGPUPPixData(created, &destination) != suiteError_NoError ||
        destination == nullptr ||
        mPPixSuite->GetRowBytes(created, &destinationRowBytes) != suiteError_NoError ||
        destinationRowBytes / pixelBytes(primary.format) < output.width) {
        return fail();
    }
    frames.destination = destination;
    frames.destinationPitch = destinationRowBytes / pixelBytes(primary.format);

    const TransformKernelArgs args =
        fillKernelArgs(v, frames, plan, frameNumberAt(clipTime, inRenderParams->inRenderTicksPerFrame));
    const bool launched = mDeviceInfo.outDeviceFramework == PrGPUDeviceFramework_CUDA
                              ? launchCudaKernel(args)
                              : launchOpenClKernel(mKernel, mCommandQueue, args);
    if (!launched) return fail();
    *outFrame = created;
    return suiteError_NoError;
}

}  // namespace duovis::gpu
