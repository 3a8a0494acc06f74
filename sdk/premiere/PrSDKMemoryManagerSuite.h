#pragma once
/* Host memory blocks, such as the text a property read returns. */

#include "PrSDKTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kPrSDKMemoryManagerSuite "Premiere Memory Manager Suite"
#define kPrSDKMemoryManagerSuiteVersion 4

typedef struct PrSDKMemoryManagerSuite {
    PrMemoryPtr (*NewPtr)(csSDK_uint32 inByteCount); /* null when the host cannot allocate */
    csSDK_uint32 (*GetPtrSize)(PrMemoryPtr inPtr);
    void (*PrDisposePtr)(PrMemoryPtr inPtr);
} PrSDKMemoryManagerSuite;

#ifdef __cplusplus
}
#endif
