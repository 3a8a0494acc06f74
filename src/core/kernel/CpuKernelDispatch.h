// The host's CPU render of one frame's rows: the vector kernel on the given instruction set, or
// the reference for frames too large for its 32-bit lanes. Both store the same bytes.
#pragma once

#include "core/frame/KernelArgs.h"
#include "core/kernel/CpuKernelPlan.h"
#include "core/kernel/CpuRun.h"
#include "core/kernel/FastStereoKernel.h"

namespace duovis {

// `plan` is planCpuKernel(args, ...) for the format, made once for the frame and shared by its
// bands.
void runCpuTransformKernel(const CpuKernelPlan& plan, CpuPixelFormat format, RowBand rows,
                           CpuKernelTarget target);

// One frame's rows, planned here.
void runCpuTransformKernel(const TransformKernelArgs& args, CpuPixelFormat format, RowBand rows = {},
                           CpuKernelTarget target = {});

// The plan of a frame in `format`.
CpuKernelPlan planCpuKernel(const TransformKernelArgs& args, CpuPixelFormat format);

}  // namespace duovis
