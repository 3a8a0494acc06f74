#pragma once
/* The editing host's GPU filter interface: the exported entry that hands the
 * host a table of five callbacks, the instance record the host keeps per
 * effect instance and device, the render parameters of one frame and the
 * frame dependencies a filter may declare. */

#include "PrSDKTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

struct SPBasicSuite; /* the host's basic suite, shared with the effect API */

#define PrSDKGPUFilterInterfaceVersion1 1

/* One instance of the effect on one device, as the host keeps it. */
typedef struct PrGPUFilterInstance {
    struct SPBasicSuite* piSuites; /* acquires the host's suites */
    csSDK_uint32 inDeviceIndex;
    PrTimelineID inTimelineID;
    csSDK_int32 inNodeID;      /* the effect node: every parameter and property read names it */
    void* ioPrivatePluginData; /* the filter's own object; the host never looks inside */
    prBool outIsRealtime;
} PrGPUFilterInstance;

/* The frame being rendered. */
typedef struct PrGPUFilterRenderParams {
    PrTime inClipTime;     /* in the effect's own time: the parameters are read here */
    PrTime inSequenceTime; /* in the sequence: dependencies are named here */
    csSDK_int32 inQuality;
    float inDownsampleFactorX;
    float inDownsampleFactorY;
    csSDK_uint32 inRenderWidth;
    csSDK_uint32 inRenderHeight;
    csSDK_uint32 inRenderPARNum;
    csSDK_uint32 inRenderPARDen;
    prFieldType inRenderFieldType;
    PrTime inRenderTicksPerFrame;
} PrGPUFilterRenderParams;

typedef csSDK_int32 PrGPUFilterFrameDependencyType;
enum {
    PrGPUDependency_None = 0,
    PrGPUDependency_InputFrame = 1 /* a frame of a track, handed to Render after the own input */
};

typedef struct PrGPUFilterFrameDependency {
    PrGPUFilterFrameDependencyType outDependencyType;
    csSDK_int32 outTrackID;
    PrTime outSequenceTime;
} PrGPUFilterFrameDependency;

#define PrGPUFilterMatchNameLength 256

typedef struct PrGPUFilterInfo {
    csSDK_uint32 outInterfaceVersion;
    char outMatchName[PrGPUFilterMatchNameLength]; /* empty: the effect's own match name */
} PrGPUFilterInfo;

/* The five callbacks, in the host's order; each gets the instance record first. */
typedef struct PrGPUFilter {
    prSuiteError (*CreateInstance)(PrGPUFilterInstance* ioInstanceData);
    prSuiteError (*DisposeInstance)(PrGPUFilterInstance* ioInstanceData);
    /* Called with query index 0, 1, ... until a call adds no dependency. */
    prSuiteError (*GetFrameDependencies)(PrGPUFilterInstance* ioInstanceData,
                                         const PrGPUFilterRenderParams* inRenderParams,
                                         csSDK_int32* ioQueryIndex,
                                         PrGPUFilterFrameDependency* outFrameDependencies);
    prSuiteError (*Precompute)(PrGPUFilterInstance* ioInstanceData,
                               const PrGPUFilterRenderParams* inRenderParams, csSDK_int32 inIndex,
                               PPixHand inFrame);
    /* inFrames[0] is the effect's input, then the declared dependencies in order. The frame
     * the filter creates in *outFrame belongs to the host once Render returns. */
    prSuiteError (*Render)(PrGPUFilterInstance* ioInstanceData, const PrGPUFilterRenderParams* inRenderParams,
                           const PPixHand* inFrames, csSDK_size_t inFrameCount, PPixHand* outFrame);
} PrGPUFilter;

/* The module's exported entry, named xGPUFilterEntry. With inStartup set it fills the
 * filter table and info of filter *ioIndex; with inStartup 0 the host is shutting down. */
typedef prSuiteError (*PrGPUFilterEntry)(csSDK_uint32 inHostInterfaceVersion, csSDK_int32* ioIndex,
                                         prBool inStartup, struct SPBasicSuite* piSuites,
                                         PrGPUFilter* outFilter, PrGPUFilterInfo* outFilterInfo);

#define PrGPUFilterEntryName "xGPUFilterEntry"

#if defined(_WIN32)
#define PR_GPU_EXPORT __declspec(dllexport)
#else
#define PR_GPU_EXPORT __attribute__((visibility("default")))
#endif

/* Suites a GPU filter may hold without calling them. */
#define kPrSDKGPUImageProcessingSuite "MediaCore GPU Image Processing Suite"
#define kPrSDKGPUImageProcessingSuiteVersion 1
#define kPrSDKTransitionSuite "PF Transition Suite"
#define kPrSDKTransitionSuiteVersion 1

#ifdef __cplusplus
}
#endif
