#pragma once
/* Scalar types, time, rectangles, pixel formats, frames and error codes of the
 * editing host's GPU filter interface. Every record the host and a GPU filter
 * exchange is built from these fixed-width types. */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int8_t csSDK_int8;
typedef int16_t csSDK_int16;
typedef int32_t csSDK_int32;
typedef uint32_t csSDK_uint32;
typedef int64_t csSDK_int64;
typedef uint64_t csSDK_uint64;
typedef size_t csSDK_size_t;
typedef csSDK_int32 prBool; /* 0 false, anything else true */

/* Time in ticks: 254016000000 ticks make one second, so every common frame
 * rate has a whole number of ticks per frame. */
typedef csSDK_int64 PrTime;
#define kPrTicksPerSecond 254016000000LL

typedef csSDK_int32 PrTimelineID;

typedef struct prRect {
    csSDK_int32 left;
    csSDK_int32 top;
    csSDK_int32 right;
    csSDK_int32 bottom;
} prRect;

/* Field order of a frame. */
typedef csSDK_int32 prFieldType;
enum { prFieldsNone = 0, prFieldsUpperFirst = 1, prFieldsLowerFirst = 2, prFieldsUnknown = 3 };

/* ---- Pixel formats ---- */

/* Also declared by the compositing host's suites; the guard keeps one definition. */
#ifndef PR_PIXEL_FORMAT_DECLARED
#define PR_PIXEL_FORMAT_DECLARED
typedef uint32_t PrPixelFormat;
/* Four characters packed first-char-low: "Bgra" is 0x61726742. */
#define PrPixelFormat_FOURCC(a, b, c, d) \
    (((a)&0xFFu) | (((b)&0xFFu) << 8) | (((c)&0xFFu) << 16) | (((d)&0xFFu) << 24))
enum { PrPixelFormat_BGRA_4444_32f = 0x61726742 }; /* 4 x float, blue first */
#endif

/* Frames in GPU memory: four channels blue, green, red, alpha. */
enum {
    PrPixelFormat_GPU_BGRA_4444_32f = 0x41444340, /* "@CDA": 4 x 32-bit float, 16 bytes a pixel */
    PrPixelFormat_GPU_BGRA_4444_16f = 0x61444340  /* "@CDa": 4 x half float, 8 bytes a pixel */
};

/* ---- Frames ---- */

/* A frame the host owns; the filter only passes the handle back to the suites. */
typedef struct PPix* PPixHand;

/* A block of host memory handed out by the memory manager suite. */
typedef char* PrMemoryPtr;

/* ---- Error codes ---- */

/* Negative as 32-bit values: the top bit marks a failure. */
typedef csSDK_int32 prSuiteError;
enum {
    suiteError_NoError = 0,
    suiteError_Fail = -2147483647 - 1,          /* 0x80000000 */
    suiteError_InvalidParms = -2147483647,      /* 0x80000001 */
    suiteError_NotImplemented = -2147483647 + 3 /* 0x80000004 */
};
#define PrSuiteErrorFailed(err) ((err) < 0)

#ifdef __cplusplus
}
#endif
