#include "PrGPUFilterBase.h"

#include "AE_EffectSuites.h"

namespace duovis::gpu {

namespace {

struct SuiteSlot {
    const char* name;
    int version;
};

// The order in which the suites are acquired, and released again in reverse.
constexpr SuiteSlot kGpuDeviceSuite{kPrSDKGPUDeviceSuite, kPrSDKGPUDeviceSuiteVersion2};
constexpr SuiteSlot kImageProcessingSuite{kPrSDKGPUImageProcessingSuite,
                                          kPrSDKGPUImageProcessingSuiteVersion};
constexpr SuiteSlot kMemoryManagerSuite{kPrSDKMemoryManagerSuite, kPrSDKMemoryManagerSuiteVersion};
constexpr SuiteSlot kPPixSuite{kPrSDKPPixSuite, kPrSDKPPixSuiteVersion};
constexpr SuiteSlot kPPix2Suite{kPrSDKPPix2Suite, kPrSDKPPix2SuiteVersion};
constexpr SuiteSlot kTransitionSuite{kPrSDKTransitionSuite, kPrSDKTransitionSuiteVersion};
constexpr SuiteSlot kVideoSegmentSuite{kPrSDKVideoSegmentSuite, kPrSDKVideoSegmentSuiteVersion};

}  // namespace

PrGPUFilterBase::~PrGPUFilterBase() {
    releaseAll();
}

template <class Suite>
void PrGPUFilterBase::acquire(const char* name, int version, const Suite*& suite) {
    suite = nullptr;
    const void* table = nullptr;
    if (mSuites->AcquireSuite(name, version, &table) == kSPNoError) suite = static_cast<const Suite*>(table);
}

prSuiteError PrGPUFilterBase::Initialize(PrGPUFilterInstance* ioInstanceData) {
    if (ioInstanceData == nullptr) return suiteError_NoError;
    mSuites = ioInstanceData->piSuites;
    mDeviceIndex = ioInstanceData->inDeviceIndex;
    mTimelineID = ioInstanceData->inTimelineID;
    mNodeID = ioInstanceData->inNodeID;
    if (mSuites == nullptr || mSuites->AcquireSuite == nullptr) return suiteError_NoError;

    acquire(kGpuDeviceSuite.name, kGpuDeviceSuite.version, mGPUDeviceSuite);
    acquire(kImageProcessingSuite.name, kImageProcessingSuite.version, mGPUImageProcessingSuite);
    acquire(kMemoryManagerSuite.name, kMemoryManagerSuite.version, mMemoryManagerSuite);
    acquire(kPPixSuite.name, kPPixSuite.version, mPPixSuite);
    acquire(kPPix2Suite.name, kPPix2Suite.version, mPPix2Suite);
    acquire(kTransitionSuite.name, kTransitionSuite.version, mTransitionSuite);
    acquire(kVideoSegmentSuite.name, kVideoSegmentSuite.version, mVideoSegmentSuite);

    mDeviceInfo = PrGPUDeviceInfo{};
    mDeviceInfoRead = mGPUDeviceSuite != nullptr && mGPUDeviceSuite->GetDeviceInfo != nullptr &&
                      mGPUDeviceSuite->GetDeviceInfo(kPrSDKGPUDeviceSuiteVersion2, mDeviceIndex,
                                                     &mDeviceInfo) == suiteError_NoError;
    if (!mDeviceInfoRead) mDeviceInfo = PrGPUDeviceInfo{};
    return suiteError_NoError;
}

// What was acquired goes back under the same name and version when the object goes.
void PrGPUFilterBase::releaseAll() {
    if (mSuites == nullptr || mSuites->ReleaseSuite == nullptr) return;
    const auto release = [this](const SuiteSlot& slot, const void* held) {
        if (held != nullptr) mSuites->ReleaseSuite(slot.name, slot.version);
    };
    release(kVideoSegmentSuite, mVideoSegmentSuite);
    release(kTransitionSuite, mTransitionSuite);
    release(kPPix2Suite, mPPix2Suite);
    release(kPPixSuite, mPPixSuite);
    release(kMemoryManagerSuite, mMemoryManagerSuite);
    release(kImageProcessingSuite, mGPUImageProcessingSuite);
    release(kGpuDeviceSuite, mGPUDeviceSuite);
}

prSuiteError PrGPUFilterBase::GetFrameDependencies(const PrGPUFilterRenderParams*, csSDK_int32*,
                                                   PrGPUFilterFrameDependency*) {
    return suiteError_NotImplemented;
}

prSuiteError PrGPUFilterBase::Precompute(const PrGPUFilterRenderParams*, csSDK_int32, PPixHand) {
    return suiteError_NotImplemented;
}

}  // namespace duovis::gpu
