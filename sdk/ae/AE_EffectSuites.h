#pragma once
/* Host services offered as suites: function tables acquired by name and
 * version through the basic suite (in_data->pica_basicP) and released by the
 * same name and version. */

#include "AE_Drawbot.h"
#include "AE_Effect.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Basic suite ---- */

enum { kSPNoError = 0, kSPSuiteNotFoundError = 13 };

typedef struct SPBasicSuite {
    /* Fills *suite with the host's table for (name, version), or fails. */
    SPErr (*AcquireSuite)(const char* name, A_long version, const void** suite);
    SPErr (*ReleaseSuite)(const char* name, A_long version);
    SPBoolean (*IsEqual)(const char* token1, const char* token2);
} SPBasicSuite;

/* ---- Pixel formats of the editing host ---- */

/* Also declared by the GPU filter headers; the guard keeps one definition. */
#ifndef PR_PIXEL_FORMAT_DECLARED
#define PR_PIXEL_FORMAT_DECLARED
typedef A_u_long PrPixelFormat;
/* Four characters packed first-char-low: "Bgra" is 0x61726742. */
#define PrPixelFormat_FOURCC(a, b, c, d) \
    (((a)&0xFFu) | (((b)&0xFFu) << 8) | (((c)&0xFFu) << 16) | (((d)&0xFFu) << 24))
enum { PrPixelFormat_BGRA_4444_32f = 0x61726742 }; /* 4 x float, blue first */
#endif

#define kPFPixelFormatSuite "PF Pixel Format Suite"
#define kPFPixelFormatSuiteVersion1 1

typedef struct PF_PixelFormatSuite1 {
    PF_Err (*AddSupportedPixelFormat)(PF_ProgPtr effect_ref, PrPixelFormat pixel_format);
    PF_Err (*ClearSupportedPixelFormats)(PF_ProgPtr effect_ref);
} PF_PixelFormatSuite1;

/* ---- Utility suite ---- */

#define kPFUtilitySuite "PF Utility Suite"
#define kPFUtilitySuiteVersion4 4

typedef struct PF_UtilitySuite4 {
    /* Asks that layers the effect checks out arrive in its render format. */
    PF_Err (*EffectWantsCheckedOutFramesToMatchRenderPixelFormat)(PF_ProgPtr effect_ref);
} PF_UtilitySuite4;

/* ---- Handle suite ---- */

#define kPFHandleSuite "PF Handle Suite"
#define kPFHandleSuiteVersion2 2

typedef struct PF_HandleSuite2 {
    /* Null when the host cannot allocate. */
    PF_Handle (*host_new_handle)(A_HandleSize size);
    /* Pins the block and returns it; null for a null or empty handle. */
    void* (*host_lock_handle)(PF_Handle handle);
    void (*host_unlock_handle)(PF_Handle handle);
    void (*host_dispose_handle)(PF_Handle handle);
    A_HandleSize (*host_get_handle_size)(PF_Handle handle);
} PF_HandleSuite2;

/* ---- Effect custom UI suite ---- */

#define kPFEffectCustomUISuite "PF Effect Custom UI Suite"
#define kPFEffectCustomUISuiteVersion1 1

typedef struct PF_EffectCustomUISuite1 {
    /* The Drawbot reference for drawing into an event's context. */
    PF_Err (*PF_GetDrawingReference)(PF_ContextH effect_contextH, DRAWBOT_DrawRef* referenceP);
} PF_EffectCustomUISuite1;

#ifdef __cplusplus
}
#endif
