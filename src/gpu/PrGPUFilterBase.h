#pragma once
// The base of a GPU filter object: the host suites it holds for its whole life, the device it
// renders on, and the default answers to the host's callbacks.

#include "PrSDKGPUDeviceSuite.h"
#include "PrSDKGPUFilter.h"
#include "PrSDKMemoryManagerSuite.h"
#include "PrSDKPPixSuite.h"
#include "PrSDKVideoSegmentSuite.h"

namespace duovis::gpu {

class PrGPUFilterBase {
  public:
    PrGPUFilterBase() = default;
    virtual ~PrGPUFilterBase();
    PrGPUFilterBase(const PrGPUFilterBase&) = delete;
    PrGPUFilterBase& operator=(const PrGPUFilterBase&) = delete;

    // Takes the device and node from the record, acquires the suites and reads the device
    // information. Always succeeds: a refused suite or unreadable device shows in the members.
    virtual prSuiteError Initialize(PrGPUFilterInstance* ioInstanceData);
    virtual prSuiteError GetFrameDependencies(const PrGPUFilterRenderParams* inRenderParams,
                                              csSDK_int32* ioQueryIndex,
                                              PrGPUFilterFrameDependency* outFrameDependencies);
    virtual prSuiteError Precompute(const PrGPUFilterRenderParams* inRenderParams, csSDK_int32 inIndex,
                                    PPixHand inFrame);
    virtual prSuiteError Render(const PrGPUFilterRenderParams* inRenderParams, const PPixHand* inFrames,
                                csSDK_size_t inFrameCount, PPixHand* outFrame) = 0;

  protected:
    const PrSDKGPUDeviceSuite* mGPUDeviceSuite = nullptr;
    const void* mGPUImageProcessingSuite = nullptr;  // held, never called
    const PrSDKMemoryManagerSuite* mMemoryManagerSuite = nullptr;
    const PrSDKPPixSuite* mPPixSuite = nullptr;
    const PrSDKPPix2Suite* mPPix2Suite = nullptr;
    const void* mTransitionSuite = nullptr;  // held, never called
    const PrSDKVideoSegmentSuite* mVideoSegmentSuite = nullptr;
    SPBasicSuite* mSuites = nullptr;
    PrTimelineID mTimelineID = 0;
    csSDK_int32 mNodeID = 0;
    csSDK_uint32 mDeviceIndex = 0;
    PrGPUDeviceInfo mDeviceInfo{};
    bool mDeviceInfoRead = false;  // the device suite answered for this device

  private:
    template <class Suite>
    void acquire(const char* name, int version, const Suite*& suite);
    void releaseAll();
};

}  // namespace duovis::gpu
