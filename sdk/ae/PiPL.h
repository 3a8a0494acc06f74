#pragma once
/* Plug-in descriptor (PiPL) constants: the resource that tells the host which
 * file is an effect, what it is called and which entry point to call.
 * C-compatible and cast-free, so the macros expand cleanly in C and C++; every
 * key is a big-endian four-character code (an unsigned 32-bit value). */

/* Packs four characters into the 32-bit code the descriptor stores, first
 * character in the most significant byte ('kind' -> 0x6B696E64). */
#define PF_FOUR_CHAR_CODE(a, b, c, d) \
    ((((a)&0xFFu) << 24) | (((b)&0xFFu) << 16) | (((c)&0xFFu) << 8) | ((d)&0xFFu))

/* Resource that holds the descriptor. */
#define PiPL_RESOURCE_TYPE PF_FOUR_CHAR_CODE('P', 'i', 'P', 'L')
#define PiPL_RESOURCE_TYPE_STRING "PIPL"
#define PiPL_RESOURCE_ID 16000
#define PiPL_RESOURCE_LANGUAGE 1033

/* Every property carries this vendor code. */
#define PiPL_VENDOR_CODE PF_FOUR_CHAR_CODE('8', 'B', 'I', 'M')

/* Value of the kind property for an effect. */
#define PiPL_KIND_EFFECT PF_FOUR_CHAR_CODE('e', 'F', 'K', 'T')

/* Property keys, in the order the descriptor lists them. */
#define PiPL_KEY_KIND PF_FOUR_CHAR_CODE('k', 'i', 'n', 'd')           /* plug-in kind */
#define PiPL_KEY_NAME PF_FOUR_CHAR_CODE('n', 'a', 'm', 'e')           /* display name, Pascal */
#define PiPL_KEY_CATEGORY PF_FOUR_CHAR_CODE('c', 'a', 't', 'g')       /* menu category, Pascal */
#define PiPL_KEY_ENTRY_WIN64 PF_FOUR_CHAR_CODE('8', '6', '6', '4')    /* entry point, C string */
#define PiPL_KEY_PIPL_VERSION PF_FOUR_CHAR_CODE('e', 'P', 'V', 'R')   /* descriptor version */
#define PiPL_KEY_SPEC_VERSION PF_FOUR_CHAR_CODE('e', 'S', 'V', 'R')   /* effect-API version */
#define PiPL_KEY_EFFECT_VERSION PF_FOUR_CHAR_CODE('e', 'V', 'E', 'R') /* host-encoded version */
#define PiPL_KEY_INFO_FLAGS PF_FOUR_CHAR_CODE('e', 'I', 'N', 'F')     /* 16-bit info flags */
#define PiPL_KEY_OUT_FLAGS PF_FOUR_CHAR_CODE('e', 'G', 'L', 'O')      /* global out-flags */
#define PiPL_KEY_OUT_FLAGS2 PF_FOUR_CHAR_CODE('e', 'G', 'L', '2')     /* global out-flags 2 */
#define PiPL_KEY_MATCH_NAME PF_FOUR_CHAR_CODE('e', 'M', 'N', 'A')     /* match name, Pascal */
#define PiPL_KEY_RESERVED_INFO PF_FOUR_CHAR_CODE('a', 'e', 'F', 'L')  /* reserved info word */

#define PiPL_PROPERTY_COUNT 12

/* Descriptor format version the host expects in ePVR. */
#define PiPL_DESCRIPTOR_VERSION 2

/* eSVR stores the effect-API version as minor << 16 | major (13.4 -> 0x0004000D). */
#define PiPL_SPEC_VERSION(major, minor) ((((minor)&0xFFFFu) << 16) | ((major)&0xFFFFu))

/* eVER encoding: version bits 19+, sub-version 15-18, patch 11-14, stage 9-10,
 * build 0-8. */
#define PiPL_STAGE_DEVELOP 0
#define PiPL_STAGE_ALPHA 1
#define PiPL_STAGE_BETA 2
#define PiPL_STAGE_RELEASE 3
#define PiPL_EFFECT_VERSION(vers, subvers, patch, stage, build)                                             \
    ((((vers)&0x1FFFu) << 19) | (((subvers)&0xFu) << 15) | (((patch)&0xFu) << 11) | (((stage)&0x3u) << 9) | \
     ((build)&0x1FFu))
