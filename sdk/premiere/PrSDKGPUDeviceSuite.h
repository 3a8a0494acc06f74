#pragma once
/* The host's GPU devices and the frames that live on them. */

#include "PrSDKTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kPrSDKGPUDeviceSuite "MediaCore GPU Device Suite"
#define kPrSDKGPUDeviceSuiteVersion2 2

typedef csSDK_int32 PrGPUDeviceFramework;
enum { PrGPUDeviceFramework_CUDA = 0, PrGPUDeviceFramework_OpenCL = 1 };

/* What a filter needs to run on one device. The handles are the framework's own objects
 * (cl_platform_id, cl_device_id, cl_context, cl_command_queue); null under CUDA, which
 * works on the calling thread's current device. */
typedef struct PrGPUDeviceInfo {
    PrGPUDeviceFramework outDeviceFramework;
    prBool outMeetsMinimumRequirementsForAcceleration;
    void* outPlatformHandle;
    void* outDeviceHandle;
    void* outContextHandle;
    void* outCommandQueueHandle;
} PrGPUDeviceInfo;

typedef struct PrSDKGPUDeviceSuite {
    prSuiteError (*GetDeviceCount)(csSDK_uint32* outDeviceCount);
    prSuiteError (*GetDeviceInfo)(csSDK_uint32 inSuiteVersion, csSDK_uint32 inDeviceIndex,
                                  PrGPUDeviceInfo* outDeviceInfo);
    /* A new frame in the device's memory, owned by the caller until handed to the host. */
    prSuiteError (*CreateGPUPPix)(csSDK_uint32 inDeviceIndex, PrPixelFormat inPixelFormat,
                                  csSDK_int32 inWidth, csSDK_int32 inHeight, csSDK_int32 inPARNumerator,
                                  csSDK_int32 inPARDenominator, prFieldType inFieldType,
                                  PPixHand* outPPixHand);
    /* The frame's device memory: a CUDA device address, or a cl_mem under OpenCL. */
    prSuiteError (*GetGPUPPixData)(PPixHand inPPixHand, void** outData);
    prSuiteError (*GetGPUPPixDeviceIndex)(PPixHand inPPixHand, csSDK_uint32* outDeviceIndex);
    prSuiteError (*GetGPUPPixSize)(PPixHand inPPixHand, csSDK_size_t* outSize);
} PrSDKGPUDeviceSuite;

#ifdef __cplusplus
}
#endif
