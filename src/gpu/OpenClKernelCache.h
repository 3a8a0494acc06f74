// The process-wide cache behind prepareOpenClKernel, opened up for tests: building from a given
// text into a slot, and counting program builds. The module itself only calls
// prepareOpenClKernel.
#pragma once

#include "KernelDispatch.h"

namespace duovis::gpu {

// The OpenCL compiler options of the stereo kernel.
extern const char kOpenClBuildOptions[];

// prepareOpenClKernel with `source` in place of the embedded kernel text.
cl_kernel prepareOpenClKernelFromSource(cl_context context, cl_device_id device, int deviceIndex,
                                        const char* source);

// How many programs this process has tried to build, failed builds included.
int openClProgramBuilds();

}  // namespace duovis::gpu
