/* The GPU filter interface must compile as C, alone and beside the effect API's suites in
 * either order, with the records' layout the C++ side sees. */
#include "AE_EffectSuites.h"
#include "PrSDKGPUDeviceSuite.h"
#include "PrSDKGPUFilter.h"
#include "PrSDKMemoryManagerSuite.h"
#include "PrSDKPPixSuite.h"
#include "PrSDKVideoSegmentSuite.h"
#include "PremiereRecordSizes.h"

_Static_assert((uint32_t)suiteError_Fail == 0x80000000u, "failure code");
_Static_assert((uint32_t)suiteError_InvalidParms == 0x80000001u, "invalid parameters code");
_Static_assert((uint32_t)suiteError_NotImplemented == 0x80000004u, "not implemented code");
_Static_assert(PrPixelFormat_GPU_BGRA_4444_32f == PrPixelFormat_FOURCC('@', 'C', 'D', 'A'), "float format");

size_t premiereCSizes[] = {DUOVIS_PREMIERE_RECORD_SIZES};
