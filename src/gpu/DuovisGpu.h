#pragma once
// The effect's GPU filter object: one per effect instance and device. It declares the frame of
// the secondary layer it needs and renders a frame with the stereo kernel on the device that
// holds the frames.

#include "GpuParams.h"
#include "KernelDispatch.h"
#include "PrGPUFilterBase.h"

namespace duovis::gpu {

class Duovis_GPU : public PrGPUFilterBase {
  public:
    prSuiteError Initialize(PrGPUFilterInstance* ioInstanceData) override;
    prSuiteError GetFrameDependencies(const PrGPUFilterRenderParams* inRenderParams,
                                      csSDK_int32* ioQueryIndex,
                                      PrGPUFilterFrameDependency* outFrameDependencies) override;
    prSuiteError Render(const PrGPUFilterRenderParams* inRenderParams, const PPixHand* inFrames,
                        csSDK_size_t inFrameCount, PPixHand* outFrame) override;

  private:
    GpuParamReader params() const { return GpuParamReader(mVideoSegmentSuite, mMemoryManagerSuite, mNodeID); }
    bool renderSuitesHeld() const;

    cl_command_queue mCommandQueue = nullptr;
    cl_kernel mKernel = nullptr;  // shared with every instance on this device; never released
};

}  // namespace duovis::gpu
