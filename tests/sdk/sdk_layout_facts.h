#pragma once
/* Sizes and offsets of the records the host and plug-ins exchange. Expanded in
 * a C and a C++ translation unit, so a layout that differs between the two
 * languages shows up as a mismatch. */

#include <stddef.h>

#include "AE_Drawbot.h"
#include "AE_Effect.h"
#include "AE_EffectSuites.h"
#include "PiPL.h"

#define SDK_LAYOUT_FACTS(X)                   \
    X(sizeof(PF_Pixel))                       \
    X(sizeof(PF_Pixel_BGRA_32f))              \
    X(sizeof(PF_LayerDef))                    \
    X(offsetof(PF_LayerDef, rowbytes))        \
    X(sizeof(PF_ParamDef))                    \
    X(offsetof(PF_ParamDef, name))            \
    X(offsetof(PF_ParamDef, u))               \
    X(sizeof(PF_FloatSliderDef))              \
    X(sizeof(PF_ArbitraryDef))                \
    X(sizeof(PF_InData))                      \
    X(offsetof(PF_InData, appl_id))           \
    X(offsetof(PF_InData, downsample_x))      \
    X(offsetof(PF_InData, pica_basicP))       \
    X(sizeof(PF_OutData))                     \
    X(offsetof(PF_OutData, origin))           \
    X(offsetof(PF_OutData, return_msg))       \
    X(sizeof(PF_UtilCallbacks))               \
    X(sizeof(PF_EventExtra))                  \
    X(offsetof(PF_EventExtra, effect_win))    \
    X(offsetof(PF_EventExtra, evt_out_flags)) \
    X(sizeof(DRAWBOT_SurfaceSuite1))          \
    X(sizeof(PF_HandleSuite2))                \
    X(sizeof(SPBasicSuite))                   \
    X(PiPL_KEY_ENTRY_WIN64)                   \
    X(PrPixelFormat_BGRA_4444_32f)
