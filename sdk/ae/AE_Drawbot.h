#pragma once
/* Drawbot: the host's 2-D drawing service for custom parameter areas. A
 * drawing reference (from the custom UI suite) yields a supplier, which makes
 * paths, brushes and fonts, and a surface, which draws them. Every object the
 * supplier makes is given back with ReleaseObject. */

#include "AE_Types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct DRAWBOT_DrawObject* DRAWBOT_DrawRef;
typedef struct DRAWBOT_SupplierObject* DRAWBOT_SupplierRef;
typedef struct DRAWBOT_SurfaceObject* DRAWBOT_SurfaceRef;
typedef struct DRAWBOT_PathObject* DRAWBOT_PathRef;
typedef struct DRAWBOT_BrushObject* DRAWBOT_BrushRef;
typedef struct DRAWBOT_FontObject* DRAWBOT_FontRef;
/* Any supplier-made object; every object reference converts to it implicitly. */
typedef void* DRAWBOT_ObjectRef;

typedef A_UTF16Char DRAWBOT_UTF16Char;

/* Channels 0..1. */
typedef struct DRAWBOT_ColorRGBA {
    float red;
    float green;
    float blue;
    float alpha;
} DRAWBOT_ColorRGBA;

typedef struct DRAWBOT_PointF32 {
    float x;
    float y;
} DRAWBOT_PointF32;

typedef struct DRAWBOT_RectF32 {
    float left;
    float top;
    float width;
    float height;
} DRAWBOT_RectF32;

typedef A_long DRAWBOT_FillType;
enum { kDRAWBOT_FillType_EvenOdd = 0, kDRAWBOT_FillType_Winding = 1 };

typedef A_long DRAWBOT_TextAlignment;
enum { kDRAWBOT_TextAlignment_Left = 0, kDRAWBOT_TextAlignment_Center = 1, kDRAWBOT_TextAlignment_Right = 2 };

typedef A_long DRAWBOT_TextTruncation;
enum { kDRAWBOT_TextTruncation_None = 0, kDRAWBOT_TextTruncation_EndEllipsis = 1 };

#define kDRAWBOT_DrawSuite "DRAWBOT Draw Suite"
#define kDRAWBOT_DrawSuite_Version1 1
#define kDRAWBOT_SupplierSuite "DRAWBOT Supplier Suite"
#define kDRAWBOT_SupplierSuite_Version1 1
#define kDRAWBOT_SurfaceSuite "DRAWBOT Surface Suite"
#define kDRAWBOT_SurfaceSuite_Version1 1
#define kDRAWBOT_PathSuite "DRAWBOT Path Suite"
#define kDRAWBOT_PathSuite_Version1 1

typedef struct DRAWBOT_DrawbotSuite1 {
    SPErr (*GetSupplier)(DRAWBOT_DrawRef draw_ref, DRAWBOT_SupplierRef* supplierP);
    SPErr (*GetSurface)(DRAWBOT_DrawRef draw_ref, DRAWBOT_SurfaceRef* surfaceP);
} DRAWBOT_DrawbotSuite1;

typedef struct DRAWBOT_SupplierSuite1 {
    SPErr (*NewPath)(DRAWBOT_SupplierRef supplier_ref, DRAWBOT_PathRef* pathP);
    SPErr (*NewBrush)(DRAWBOT_SupplierRef supplier_ref, const DRAWBOT_ColorRGBA* colorP,
                      DRAWBOT_BrushRef* brushP);
    SPErr (*GetDefaultFontSize)(DRAWBOT_SupplierRef supplier_ref, float* font_sizeP);
    SPErr (*NewDefaultFont)(DRAWBOT_SupplierRef supplier_ref, float font_size, DRAWBOT_FontRef* fontP);
    SPErr (*ReleaseObject)(DRAWBOT_ObjectRef object_ref);
} DRAWBOT_SupplierSuite1;

typedef struct DRAWBOT_SurfaceSuite1 {
    SPErr (*FillPath)(DRAWBOT_SurfaceRef surface_ref, DRAWBOT_BrushRef brush_ref, DRAWBOT_PathRef path_ref,
                      DRAWBOT_FillType fill_type);
    /* Draws zero-terminated text with its baseline origin at originP. */
    SPErr (*DrawString)(DRAWBOT_SurfaceRef surface_ref, DRAWBOT_BrushRef brush_ref, DRAWBOT_FontRef font_ref,
                        const DRAWBOT_UTF16Char* stringP, const DRAWBOT_PointF32* originP,
                        DRAWBOT_TextAlignment alignment, DRAWBOT_TextTruncation truncation,
                        float truncation_width);
} DRAWBOT_SurfaceSuite1;

typedef struct DRAWBOT_PathSuite1 {
    SPErr (*AddRect)(DRAWBOT_PathRef path_ref, const DRAWBOT_RectF32* rectP);
} DRAWBOT_PathSuite1;

#ifdef __cplusplus
}
#endif
