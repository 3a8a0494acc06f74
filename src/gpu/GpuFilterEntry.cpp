// The module's GPU filter entry and the five callbacks it hands the editing host. Nothing but
// a host error code may cross them.
#include "DuovisGpu.h"
#include "core/frame/FailureLadder.h"
#include "core/frame/GlobalDisplayState.h"

#include <cstring>
#include <memory>
#include <utility>

namespace {

using duovis::gpu::Duovis_GPU;
using duovis::gpu::PrGPUFilterBase;

// The module holds exactly one GPU filter.
constexpr csSDK_int32 kFilterCount = 1;

// The GPU filter interface has one failure code, whatever the failure was.
template <class Call>
prSuiteError guarded(Call&& call) noexcept {
    return duovis::callGuarded<prSuiteError>(std::forward<Call>(call),
                                             [](duovis::Failure) -> prSuiteError { return suiteError_Fail; });
}

PrGPUFilterBase* filterIn(PrGPUFilterInstance* instance) {
    return instance != nullptr ? static_cast<PrGPUFilterBase*>(instance->ioPrivatePluginData) : nullptr;
}

prSuiteError createInstance(PrGPUFilterInstance* ioInstanceData) {
    if (ioInstanceData == nullptr) return suiteError_InvalidParms;
    return guarded([&] {
        auto filter = std::make_unique<Duovis_GPU>();
        const prSuiteError result = filter->Initialize(ioInstanceData);
        if (PrSuiteErrorFailed(result)) return result;
        ioInstanceData->ioPrivatePluginData = filter.release();
        return result;
    });
}

prSuiteError disposeInstance(PrGPUFilterInstance* ioInstanceData) {
    if (ioInstanceData == nullptr) return suiteError_InvalidParms;
    return guarded([&] {
        delete filterIn(ioInstanceData);
        ioInstanceData->ioPrivatePluginData = nullptr;
        return suiteError_NoError;
    });
}

// A callback for an instance whose creation failed (or that was disposed) has no object.
prSuiteError getFrameDependencies(PrGPUFilterInstance* ioInstanceData,
                                  const PrGPUFilterRenderParams* inRenderParams, csSDK_int32* ioQueryIndex,
                                  PrGPUFilterFrameDependency* outFrameDependencies) {
    PrGPUFilterBase* filter = filterIn(ioInstanceData);
    if (filter == nullptr) return suiteError_InvalidParms;
    return guarded(
        [&] { return filter->GetFrameDependencies(inRenderParams, ioQueryIndex, outFrameDependencies); });
}

prSuiteError precompute(PrGPUFilterInstance* ioInstanceData, const PrGPUFilterRenderParams* inRenderParams,
                        csSDK_int32 inIndex, PPixHand inFrame) {
    PrGPUFilterBase* filter = filterIn(ioInstanceData);
    if (filter == nullptr) return suiteError_InvalidParms;
    return guarded([&] { return filter->Precompute(inRenderParams, inIndex, inFrame); });
}

prSuiteError render(PrGPUFilterInstance* ioInstanceData, const PrGPUFilterRenderParams* inRenderParams,
                    const PPixHand* inFrames, csSDK_size_t inFrameCount, PPixHand* outFrame) {
    PrGPUFilterBase* filter = filterIn(ioInstanceData);
    if (filter == nullptr) return suiteError_Fail;
    return guarded([&] { return filter->Render(inRenderParams, inFrames, inFrameCount, outFrame); });
}

}  // namespace

extern "C" PR_GPU_EXPORT prSuiteError xGPUFilterEntry(csSDK_uint32 inHostInterfaceVersion,
                                                      csSDK_int32* ioIndex, prBool inStartup,
                                                      SPBasicSuite* piSuites, PrGPUFilter* outFilter,
                                                      PrGPUFilterInfo* outFilterInfo) {
    (void)inHostInterfaceVersion;
    (void)piSuites;
    if (!inStartup) return suiteError_NoError;
    if (ioIndex == nullptr || outFilter == nullptr) return suiteError_InvalidParms;
    return guarded([&] {
        outFilter->CreateInstance = createInstance;
        outFilter->DisposeInstance = disposeInstance;
        outFilter->GetFrameDependencies = getFrameDependencies;
        outFilter->Precompute = precompute;
        outFilter->Render = render;

        // The host counts filters up from 0; there is none after the first.
        const csSDK_int32 index = *ioIndex;
        if (index >= kFilterCount) return suiteError_InvalidParms;
        if (index < kFilterCount - 1) *ioIndex = index + 1;
        if (outFilterInfo != nullptr) {
            outFilterInfo->outInterfaceVersion = PrSDKGPUFilterInterfaceVersion1;
            std::memset(outFilterInfo->outMatchName, 0, sizeof outFilterInfo->outMatchName);
        }
        // The shared display record exists before any instance runs, so instances on several
        // host threads never race to create it.
        duovis::globalDisplayState();
        return suiteError_NoError;
    });
}
