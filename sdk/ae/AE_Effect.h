#pragma once
/* Effect API core: the command protocol between a compositing host and an
 * effect plug-in. The host calls the plug-in's entry point with one command at
 * a time, an input record it fills, an output record the plug-in fills, the
 * parameter values and the output world. Plain C records only. */

#include "AE_Types.h"

#ifdef __cplusplus
extern "C" {
#endif

struct SPBasicSuite;

/* ---- Basic effect types ---- */

typedef A_long PF_Err;
typedef A_long PF_Cmd;
typedef A_u_char PF_Boolean;
typedef A_long PF_Fixed; /* 16.16 fixed point */
typedef double PF_FpLong;
typedef float PF_FpShort;
typedef A_long PF_ParamIndex;
typedef A_long PF_ParamType;
typedef A_long PF_ParamFlags;
typedef A_long PF_ParamUIFlags;
typedef A_long PF_ChangeFlags;
typedef A_long PF_OutFlags;
typedef A_long PF_OutFlags2;

/* A host handle points at the host's pointer to the block, so the host may
 * move the block; a handle whose block pointer is null holds no data. */
typedef void** PF_Handle;
typedef PF_Handle PF_ArbitraryH;

/* Identifies one effect instance to the host; the plug-in only passes it back. */
typedef struct PF_ProgressInfo* PF_ProgPtr;

#define PF_FIXED_ONE 0x00010000

/* ---- Commands ---- */

enum {
    PF_Cmd_ABOUT = 0,
    PF_Cmd_GLOBAL_SETUP = 1,
    PF_Cmd_UNUSED_2 = 2,
    PF_Cmd_GLOBAL_SETDOWN = 3,
    PF_Cmd_PARAMS_SETUP = 4,
    PF_Cmd_SEQUENCE_SETUP = 5,
    PF_Cmd_SEQUENCE_RESETUP = 6,
    PF_Cmd_SEQUENCE_FLATTEN = 7,
    PF_Cmd_SEQUENCE_SETDOWN = 8,
    PF_Cmd_DO_DIALOG = 9,
    PF_Cmd_FRAME_SETUP = 10,
    PF_Cmd_RENDER = 11,
    PF_Cmd_FRAME_SETDOWN = 12,
    PF_Cmd_USER_CHANGED_PARAM = 13,
    PF_Cmd_UPDATE_PARAMS_UI = 14,
    PF_Cmd_EVENT = 15,
    PF_Cmd_NUM_CMDS = 16
};

/* ---- Error codes ---- */

enum {
    PF_Err_NONE = 0,
    PF_Err_OUT_OF_MEMORY = 4,
    PF_Err_INTERNAL_STRUCT_DAMAGED = 512,
    PF_Err_INVALID_INDEX = 513,
    PF_Err_UNRECOGNIZED_PARAM_TYPE = 514,
    PF_Err_INVALID_CALLBACK = 515,
    PF_Err_BAD_CALLBACK_PARAM = 516
};

enum { A_Err_NONE = 0, A_Err_MISSING_SUITE = 13 };

/* ---- Versions and host ids ---- */

/* Effect-API version the plug-ins are built against (13.4). */
#define PF_PLUG_IN_VERSION 13
#define PF_PLUG_IN_SUBVERS 4

/* appl_id values: the application's four characters packed first-char-high. */
#define PF_APPL_ID_AFTER_EFFECTS 0x46585443 /* "FXTC" */
#define PF_APPL_ID_PREMIERE 0x50724D72      /* "PrMr" */

/* ---- Output flags (global set-up) ---- */

enum {
    PF_OutFlag_NONE = 0,
    PF_OutFlag_NON_PARAM_VARY = 0x4,
    PF_OutFlag_USE_OUTPUT_EXTENT = 0x40,
    PF_OutFlag_DISPLAY_ERROR_MESSAGE = 0x100, /* host shows out_data->return_msg */
    PF_OutFlag_I_EXPAND_BUFFER = 0x200,
    PF_OutFlag_I_SHRINK_BUFFER = 0x1000
};

enum {
    PF_OutFlag2_NONE = 0,
    PF_OutFlag2_PRESERVES_FULLY_OPAQUE_PIXELS = 0x100,
    PF_OutFlag2_I_AM_THREADSAFE = 0x200000 /* host may call from several threads */
};

/* ---- Parameter flags ---- */

enum {
    PF_ParamFlag_NONE = 0,
    PF_ParamFlag_CANNOT_TIME_VARY = 0x2, /* no keyframes */
    PF_ParamFlag_SUPERVISE = 0x40        /* changes send PF_Cmd_USER_CHANGED_PARAM */
};

enum {
    PF_PUI_NONE = 0,
    PF_PUI_CONTROL = 0x2,        /* the effect draws the ui_width x ui_height area */
    PF_PUI_ECW_SEPARATOR = 0x10, /* separator line above the control */
    PF_PUI_INVISIBLE = 0x200
};

/* Set by the plug-in on a parameter it wrote, so the host takes the value. */
enum { PF_ChangeFlag_NONE = 0, PF_ChangeFlag_CHANGED_VALUE = 1 };

enum {
    PF_Param_LAYER = 0,
    PF_Param_POPUP = 1,
    PF_Param_CHECKBOX = 2,
    PF_Param_FLOAT_SLIDER = 3,
    PF_Param_BUTTON = 4,
    PF_Param_COLOR = 5,
    PF_Param_ARBITRARY_DATA = 6,
    PF_Param_GROUP_START = 7,
    PF_Param_GROUP_END = 8
};

enum { PF_FSliderFlag_NONE = 0, PF_FSliderFlag_WANT_PHASE = 0x1 };
enum { PF_ValueDisplayFlag_NONE = 0, PF_ValueDisplayFlag_PERCENT = 0x1 };

/* Index for add_param that appends after the entries already registered. */
#define PF_PARAM_APPEND (-1)
/* Layer choice default meaning "no layer". */
#define PF_LayerDefault_NONE 0

#define PF_MAX_EFFECT_NAME_LEN 31
#define PF_MAX_EFFECT_PARAM_NAME_LEN 31
#define PF_MAX_EFFECT_MSG_LEN 255

/* ---- Geometry and pixels ---- */

typedef struct PF_Point {
    A_long h;
    A_long v;
} PF_Point;

typedef struct PF_Rect {
    A_long left;
    A_long top;
    A_long right;
    A_long bottom;
} PF_Rect;

/* Down-sampling factor of a preview: num / den per axis. */
typedef struct PF_RationalScale {
    A_long num;
    A_u_long den;
} PF_RationalScale;

/* 8-bit pixel, alpha first, as the host lays it out in memory. */
typedef struct PF_Pixel {
    A_u_char alpha;
    A_u_char red;
    A_u_char green;
    A_u_char blue;
} PF_Pixel;
typedef PF_Pixel PF_Pixel8;

/* Float pixel in the effect API's channel order. */
typedef struct PF_PixelFloat {
    PF_FpShort alpha;
    PF_FpShort red;
    PF_FpShort green;
    PF_FpShort blue;
} PF_PixelFloat;

/* Float pixel of the 32-bit BGRA format registered in the editing host. */
typedef struct PF_Pixel_BGRA_32f {
    PF_FpShort blue;
    PF_FpShort green;
    PF_FpShort red;
    PF_FpShort alpha;
} PF_Pixel_BGRA_32f;

/* A pixel buffer: data addresses the top-left pixel, rows are rowbytes apart
 * (rows may be padded). The pixel format is fixed by the host and the
 * registered formats, not by the world. */
typedef struct PF_LayerDef {
    void* data;
    A_long rowbytes;
    A_long width;
    A_long height;
    PF_Rect extent_hint;
    PF_RationalScale pix_aspect_ratio;
    A_long origin_x;
    A_long origin_y;
    A_long dephault; /* layer choice: PF_LayerDefault_NONE or a layer index */
    void* platform_ref;
} PF_LayerDef;
typedef PF_LayerDef PF_EffectWorld;

/* ---- Parameter definitions ---- */

typedef struct PF_PopupDef {
    A_long value; /* 1-based */
    A_short num_choices;
    A_short dephault;
    const A_char* namesptr; /* choices joined by '|' */
} PF_PopupDef;

typedef struct PF_CheckBoxDef {
    A_long value;
    PF_Boolean dephault;
    const A_char* nameptr; /* label beside the box */
} PF_CheckBoxDef;

typedef struct PF_FloatSliderDef {
    PF_FpLong value;
    PF_FpShort valid_min;
    PF_FpShort valid_max;
    PF_FpShort slider_min;
    PF_FpShort slider_max;
    PF_FpShort dephault;
    A_short precision;
    A_short display_flags;
    A_long fs_flags;
    PF_FpShort curve_tolerance;
} PF_FloatSliderDef;

typedef struct PF_ButtonDef {
    const A_char* namesptr; /* button label; a button has no value */
} PF_ButtonDef;

typedef struct PF_ColorDef {
    PF_Pixel value;
    PF_Pixel dephault;
} PF_ColorDef;

typedef struct PF_ArbitraryDef {
    A_short id;
    A_short pad;
    PF_ArbitraryH dephault;
    PF_ArbitraryH value;
    void* refconPV;
} PF_ArbitraryDef;

/* Group start and end carry no value. */
typedef struct PF_GroupDef {
    A_long reserved;
} PF_GroupDef;

typedef union PF_ParamDefUnion {
    PF_LayerDef ld;
    PF_PopupDef pd;
    PF_CheckBoxDef bd;
    PF_FloatSliderDef fs_d;
    PF_ButtonDef button_d;
    PF_ColorDef cd;
    PF_ArbitraryDef arb_d;
    PF_GroupDef gd;
} PF_ParamDefUnion;

typedef struct PF_ParamDef {
    /* At registration the entry's persistent id; in later commands the word
     * in which the plug-in reports what it changed. */
    union {
        A_long id;
        PF_ChangeFlags change_flags;
    } uu;
    PF_ParamUIFlags ui_flags;
    A_short ui_width;
    A_short ui_height;
    PF_ParamType param_type;
    A_char name[PF_MAX_EFFECT_PARAM_NAME_LEN + 1];
    PF_ParamFlags flags;
    PF_ParamDefUnion u;
} PF_ParamDef;

/* The parameter values of one command, indexed by position; 0 is the input layer. */
typedef PF_ParamDef** PF_ParamList;

/* ---- Host callbacks ---- */

typedef struct PF_InteractCallbacks {
    /* Fetches a parameter (a layer with its pixels) at another time. */
    PF_Err (*checkout_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long what_time, A_long time_step,
                             A_u_long time_scale, PF_ParamDef* param);
    /* Gives a checked-out parameter back. */
    PF_Err (*checkin_param)(PF_ProgPtr effect_ref, PF_ParamDef* param);
    /* Registers one parameter; index PF_PARAM_APPEND adds it after the last. */
    PF_Err (*add_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDef* def);
} PF_InteractCallbacks;

/* C-library string helpers offered by the host. */
typedef struct PF_ANSICallbacks {
    A_char* (*strcpy)(A_char* dest, const A_char* src);
    A_long (*sprintf)(A_char* buffer, const A_char* format, ...);
} PF_ANSICallbacks;

typedef struct PF_UtilCallbacks {
    /* Copies src into dst; null rectangles mean the whole world. */
    PF_Err (*copy)(PF_ProgPtr effect_ref, PF_EffectWorld* src, PF_EffectWorld* dst, const PF_Rect* src_r,
                   const PF_Rect* dst_r);
    void (*dispose_handle)(PF_Handle handle);
    PF_ANSICallbacks ansi;
    /* Runs fn_func once for each i in 0..iterationsL-1, on the host's worker threads and
     * in any order, and returns the first error a call reported (the remaining calls may
     * then be skipped). thread_indexL names the worker, from 0. Null in hosts without it. */
    PF_Err (*iterate_generic)(A_long iterationsL, void* refconPV,
                              PF_Err (*fn_func)(void* refconPV, A_long thread_indexL, A_long i, A_long iterationsL));
} PF_UtilCallbacks;

/* ---- Input and output records ---- */

typedef struct PF_SpecVersion {
    A_short major;
    A_short minor;
} PF_SpecVersion;

typedef struct PF_InData {
    PF_InteractCallbacks inter;
    PF_UtilCallbacks* utils;
    PF_ProgPtr effect_ref;
    PF_SpecVersion version;
    A_long appl_id;
    A_long num_params;
    A_long current_time; /* in time_scale units */
    A_long time_step;    /* duration of one frame */
    A_long total_time;
    A_u_long time_scale; /* units per second */
    A_long width;        /* input layer size at full resolution */
    A_long height;
    PF_Rect extent_hint;
    PF_RationalScale downsample_x;
    PF_RationalScale downsample_y;
    PF_RationalScale pixel_aspect_ratio;
    PF_Handle global_data;
    PF_Handle sequence_data;
    PF_Handle frame_data;
    struct SPBasicSuite* pica_basicP;
} PF_InData;

typedef struct PF_OutData {
    A_u_long my_version; /* effect version, encoded as the descriptor's */
    A_char name[PF_MAX_EFFECT_NAME_LEN + 1];
    PF_Handle global_data;
    A_long num_params;
    PF_Handle sequence_data;
    PF_Handle frame_data;
    A_long width; /* output buffer size the plug-in asks for at frame set-up */
    A_long height;
    PF_Point origin; /* where the input's top-left lands in that buffer */
    PF_OutFlags out_flags;
    PF_OutFlags2 out_flags2;
    A_char return_msg[PF_MAX_EFFECT_MSG_LEN + 1];
} PF_OutData;

/* ---- Command extras ---- */

/* Extra record of PF_Cmd_USER_CHANGED_PARAM. */
typedef struct PF_UserChangedParamExtra {
    PF_ParamIndex param_index;
} PF_UserChangedParamExtra;

/* The UI surface an event belongs to; the plug-in passes it to the custom UI
 * suite to get something to draw on. */
typedef struct PF_Context* PF_ContextH;

typedef A_long PF_EventType;
enum {
    PF_Event_NEW_CONTEXT = 0,
    PF_Event_ACTIVATE = 1,
    PF_Event_DO_CLICK = 2,
    PF_Event_DRAG = 3,
    PF_Event_DRAW = 4,
    PF_Event_DEACTIVATE = 5,
    PF_Event_CLOSE_CONTEXT = 6,
    PF_Event_IDLE = 7
};

/* Part of the effect window an event concerns. */
typedef A_long PF_EffectArea;
enum { PF_EA_NONE = 0, PF_EA_PARAM_TITLE = 1, PF_EA_CONTROL = 2 };

typedef A_long PF_EventOutFlags;
enum { PF_EO_NONE = 0, PF_EO_HANDLED_EVENT = 1 };

typedef struct PF_EffectWindowInfo {
    PF_ParamIndex index; /* parameter whose area this is */
    PF_EffectArea area;
    PF_Rect current_frame; /* the area, in window coordinates */
} PF_EffectWindowInfo;

typedef struct PF_DrawEvent {
    PF_Rect update_rect;
} PF_DrawEvent;

typedef struct PF_DoClickEvent {
    PF_Point screen_point;
    A_long num_clicks;
    A_long modifiers;
} PF_DoClickEvent;

typedef union PF_EventUnion {
    PF_DrawEvent draw;
    PF_DoClickEvent do_click;
} PF_EventUnion;

/* Extra record of PF_Cmd_EVENT. */
typedef struct PF_EventExtra {
    PF_ContextH contextH;
    PF_EventType e_type;
    PF_EventUnion u;
    PF_EffectWindowInfo effect_win;
    PF_EventOutFlags evt_out_flags; /* PF_EO_HANDLED_EVENT once drawn */
} PF_EventExtra;

/* ---- Entry point ---- */

typedef PF_Err (*PF_EffectEntryFunc)(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                     PF_ParamDef* params[], PF_LayerDef* output, void* extra);

#if defined(_WIN32)
#define PF_EXPORT __declspec(dllexport)
#else
#define PF_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
}
#endif
