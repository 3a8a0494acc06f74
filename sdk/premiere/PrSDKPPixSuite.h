#pragma once
/* Frame properties: bounds, row bytes, pixel aspect ratio, pixel format and field order. */

#include "PrSDKTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kPrSDKPPixSuite "Premiere PPix Suite"
#define kPrSDKPPixSuiteVersion 1

typedef struct PrSDKPPixSuite {
    prSuiteError (*Dispose)(PPixHand inPPixHand);
    prSuiteError (*GetBounds)(PPixHand inPPixHand, prRect* outBoundingRect);
    prSuiteError (*GetRowBytes)(PPixHand inPPixHand, csSDK_int32* outRowBytes);
    prSuiteError (*GetPixelAspectRatio)(PPixHand inPPixHand, csSDK_uint32* outPixelAspectRatioNumerator,
                                        csSDK_uint32* outPixelAspectRatioDenominator);
    prSuiteError (*GetPixelFormat)(PPixHand inPPixHand, PrPixelFormat* outPixelFormat);
} PrSDKPPixSuite;

#define kPrSDKPPix2Suite "Premiere PPix 2 Suite"
#define kPrSDKPPix2SuiteVersion 3

typedef struct PrSDKPPix2Suite {
    prSuiteError (*GetSize)(PPixHand inPPixHand, csSDK_size_t* outSize);
    prSuiteError (*GetFieldOrder)(PPixHand inPPixHand, prFieldType* outFieldType);
} PrSDKPPix2Suite;

#ifdef __cplusplus
}
#endif
