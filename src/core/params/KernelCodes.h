/* The display and demux codes as the kernels number them: one list, read by the core (C++)
 * and by the device kernel text (OpenCL C and CUDA C++), so no side writes a bare number.
 * Each list is an X-macro: X(name, value) once per code. Plain C, so every compiler of the
 * kernel text can read it. */
#ifndef DUOVIS_KERNEL_CODES_H
#define DUOVIS_KERNEL_CODES_H

/* One per "Display Type" choice (its row index), plus the two parallax phases. */
#define DUOVIS_DISPLAY_CODES(X)      \
    X(DISPLAY_LEFT, 0)               \
    X(DISPLAY_RIGHT, 1)              \
    X(DISPLAY_SBS_HALF, 2)           \
    X(DISPLAY_SBS_FULL, 3)           \
    X(DISPLAY_TB_HALF, 4)            \
    X(DISPLAY_TB_FULL, 5)            \
    X(DISPLAY_INTERLACED, 6)         \
    X(DISPLAY_ANAGLYPH, 7)           \
    X(DISPLAY_ANAGLYPH_OPTIMIZED, 8) \
    X(DISPLAY_ANAGLYPH_GRAY, 9)      \
    X(DISPLAY_ONION, 10)             \
    X(DISPLAY_DIFFERENCE, 11)        \
    X(DISPLAY_CHECKERBOARD, 12)      \
    X(DISPLAY_PARALLAX, 13)          \
    X(DISPLAY_PARALLAX_LEFT, 131)    \
    X(DISPLAY_PARALLAX_RIGHT, 132)

/* The sampler's numbering of the "Demux Mode" choices: side by side with the eyes squeezed to
 * half width or at full width (eye grid half the frame's width), top-bottom the same. */
#define DUOVIS_DEMUX_CODES(X) \
    X(DEMUX_NONE, 0)          \
    X(DEMUX_SBS_HALF, 1)      \
    X(DEMUX_SBS_FULL, 2)      \
    X(DEMUX_TB_HALF, 3)       \
    X(DEMUX_TB_FULL, 4)

#endif
