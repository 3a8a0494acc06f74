// Filling the kernel's argument record for one frame: the one place where parameter values,
// frames, geometry and the automatic adjustment meet. The CPU render and the GPU render both
// call it, so the two paths cannot drift apart.
#pragma once

#include "core/frame/EyeGeometry.h"
#include "core/frame/FramePlan.h"
#include "core/frame/KernelArgs.h"
#include "core/params/ParamValues.h"

#include <cstdint>

namespace duovis {

// One frame as the kernel sees it; pitch in pixels. A null `data` is an absent frame.
struct KernelFrame {
    const void* data = nullptr;
    int32_t pitch = 0;
    int32_t width = 0;
    int32_t height = 0;
};

struct KernelFrames {
    KernelFrame primary;
    KernelFrame secondary;  // absent when no layer is chosen or its check-out failed
    void* destination = nullptr;
    int32_t destinationPitch = 0;
    bool halfFloat = false;
};

// The frame number for the parallax phase, time / frame duration truncated toward zero; a
// zero duration (no valid host timing) counts as frame 0.
int32_t frameNumberAt(int64_t time, int64_t frameDuration);

// `displayCode` is the code in force (0..13, from displayCodeInForce); "Corvant Parallax" is
// resolved to its phase for `frameNumber` here. `eye` is the eye grid and `output` the output
// size of that display code.
TransformKernelArgs fillKernelArgs(const ParamValues& v, const KernelFrames& frames, int displayCode,
                                   EyeSize eye, OutputSize output, int32_t frameNumber);

// The same for a frame plan (its display code, sizes and crop windows), as the renders call it.
TransformKernelArgs fillKernelArgs(const ParamValues& v, const KernelFrames& frames, const FramePlan& plan,
                                   int32_t frameNumber);

}  // namespace duovis
