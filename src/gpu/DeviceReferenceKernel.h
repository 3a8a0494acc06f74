// The device kernel's own text compiled for the CPU, as the reference the OpenCL and CUDA
// paths are compared against: float or half-float BGRA frames by `inIs16f`, half stores rounded
// as the chosen back end does (OpenCL toward zero, CUDA to nearest).
#pragma once

#include "core/frame/KernelArgs.h"
#include "core/kernel/HalfFloat.h"

namespace duovis {

// Runs every eye-grid position of the frame, one after another.
void runDeviceReferenceKernel(const TransformKernelArgs& args, HalfRounding halfStores);

}  // namespace duovis
