#pragma once
/* Values of an effect node: its parameters at a time and its text properties. */

#include "PrSDKTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kPrSDKVideoSegmentSuite "MediaCore Video Segment Suite"
#define kPrSDKVideoSegmentSuiteVersion 5

/* The effect's duration in ticks, as decimal text. */
#define kVideoSegmentProperty_Effect_EffectDuration "EffectNode::EffectDuration"

typedef csSDK_int32 PrParamType;
enum {
    kPrParamType_Int8 = 1,
    kPrParamType_Int16 = 2,
    kPrParamType_Int32 = 3, /* popups (zero-based), layer choices (-1: none) */
    kPrParamType_Int64 = 4,
    kPrParamType_Float32 = 5,
    kPrParamType_Float64 = 6, /* float sliders */
    kPrParamType_Bool = 7     /* checkboxes */
};

typedef struct PrParam {
    PrParamType mType;
    union {
        csSDK_int8 mInt8;
        csSDK_int16 mInt16;
        csSDK_int32 mInt32;
        csSDK_int64 mInt64;
        float mFloat32;
        double mFloat64;
        prBool mBool;
    } u;
} PrParam;

typedef struct PrSDKVideoSegmentSuite {
    /* inIndex counts the effect's parameters without its input layer. */
    prSuiteError (*GetParam)(csSDK_int32 inNodeID, csSDK_int32 inIndex, PrTime inTime, PrParam* outParam);
    /* The text comes from the memory manager suite; the caller frees it with PrDisposePtr. */
    prSuiteError (*GetNodeProperty)(csSDK_int32 inNodeID, const char* inKey, PrMemoryPtr* outValue);
} PrSDKVideoSegmentSuite;

#ifdef __cplusplus
}
#endif
