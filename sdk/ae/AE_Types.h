#pragma once
/* Fixed-width scalar types shared by the effect API, its suites and Drawbot.
 * Every record the host and the plug-in exchange is built from these, so both
 * sides agree on sizes whatever compiler built them. */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef char A_char; /* plain char: string literals pass without casts */
typedef uint8_t A_u_char;
typedef int16_t A_short;
typedef uint16_t A_u_short;
typedef int32_t A_long;
typedef uint32_t A_u_long;
typedef int64_t A_longlong;
typedef uint64_t A_u_longlong;
typedef uint8_t A_Boolean;
typedef A_long A_Err;
typedef A_u_longlong A_HandleSize;

/* Error type of the basic suite and of the Drawbot suites. */
typedef A_long SPErr;
typedef A_Boolean SPBoolean;

/* Zero-terminated UTF-16 text as Drawbot draws it. */
typedef uint16_t A_UTF16Char;

#ifdef __cplusplus
}
#endif
