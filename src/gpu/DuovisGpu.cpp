#include "DuovisGpu.h"

#include "core/frame/GlobalDisplayState.h"

namespace duovis::gpu {

prSuiteError Duovis_GPU::Initialize(PrGPUFilterInstance* ioInstanceData) {
    PrGPUFilterBase::Initialize(ioInstanceData);
    // Without the device's description the framework and handles are unknown; rendering on a
    // guess would hand one framework's memory to the other.
    if (!mDeviceInfoRead) return suiteError_Fail;
    switch (mDeviceInfo.outDeviceFramework) {
        case PrGPUDeviceFramework_CUDA:
            // The CUDA kernel is registered when the module loads; a module built without it
            // declines the device so the host renders elsewhere.
            return cudaKernelBuilt() ? suiteError_NoError : suiteError_Fail;
        case PrGPUDeviceFramework_OpenCL: {
            mCommandQueue = static_cast<cl_command_queue>(mDeviceInfo.outCommandQueueHandle);
            mKernel = prepareOpenClKernel(static_cast<cl_context>(mDeviceInfo.outContextHandle),
                                          static_cast<cl_device_id>(mDeviceInfo.outDeviceHandle),
                                          int(mDeviceIndex));
            return mKernel != nullptr ? suiteError_NoError : suiteError_Fail;
        }
        default:
            return suiteError_Fail;
    }
}

prSuiteError Duovis_GPU::GetFrameDependencies(const PrGPUFilterRenderParams* inRenderParams, csSDK_int32*,
                                              PrGPUFilterFrameDependency* outFrameDependencies) {
    if (inRenderParams == nullptr || outFrameDependencies == nullptr) return suiteError_InvalidParms;
    const PrTime ticksPerFrame = inRenderParams->inRenderTicksPerFrame;
    // This is where the editing host tells the process its frame rate; a host that gives no
    // frame duration leaves the last known rate.
    if (ticksPerFrame > 0) {
        globalDisplayState().framesPerSecond = float(double(kPrTicksPerSecond) / double(ticksPerFrame));
    }

    const GpuParamReader reader = params();
    const PrTime clipTime = inRenderParams->inClipTime;
    const std::optional<csSDK_int32> layer = reader.chosenLayer(clipTime);
    if (!layer) return suiteError_NoError;

    // Frames are counted in 64 bits: no clip time or duration can wrap them. Without a frame
    // duration every time is frame 0 and the offset cannot be placed.
    const PrTime duration = reader.effectDuration();
    const int64_t lastFrame = ticksPerFrame > 0 ? duration / ticksPerFrame : 0;
    int64_t offset = 0;
    int64_t frame = 0;
    if (clipTime >= 0 && clipTime <= duration && ticksPerFrame > 0) {
        offset = reader.frameOffset(clipTime);
        frame = clipTime / ticksPerFrame + offset;
        if (frame < 0) return suiteError_NoError;
    }
    if (frame > lastFrame) return suiteError_NoError;

    outFrameDependencies->outDependencyType = PrGPUDependency_InputFrame;
    outFrameDependencies->outTrackID = *layer;
    outFrameDependencies->outSequenceTime = inRenderParams->inSequenceTime + offset * ticksPerFrame;
    return suiteError_NoError;
}

}  // namespace duovis::gpu
