// The stereo kernel on the CPU: for one eye-grid position it maps back into each eye's source,
// samples both eyes bilinearly inside their crop windows, applies swap, grayscale and the
// looking glass, and stores by display code. Invocations are independent; `run` walks the eye
// grid row by row, so where two positions store to one destination pixel (display codes 2 and
// 4) the later one in that order remains.
#pragma once

#include "KernelArgs.h"
#include "KernelPolicy.h"
#include "PixelFormats.h"

namespace duovis {

enum class CpuPixelFormat { Argb8, Bgra32f };

// The host's CPU render: 8-bit ARGB or float BGRA frames, with the CPU's departures.
void runCpuTransformKernel(const TransformKernelArgs& args, CpuPixelFormat format);

// The device kernels' arithmetic on the CPU, as the reference for the OpenCL and CUDA paths:
// float or half-float BGRA by `inIs16f`, half stores rounded as the chosen back end does.
void runDeviceReferenceKernel(const TransformKernelArgs& args, HalfRounding halfStores);

template <class Format, class Policy>
void runTransformKernel(const TransformKernelArgs& args);

}  // namespace duovis
