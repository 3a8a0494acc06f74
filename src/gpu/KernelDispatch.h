#pragma once
// The GPU render's two launch back ends, behind one small interface so the filter code never
// touches the kernel text or the compute APIs' argument lists. The argument record is the one
// the core fills; its three frame pointers hold device addresses (CUDA) or cl_mem handles
// (OpenCL).

#include "core/frame/KernelArgs.h"

typedef struct _cl_context* cl_context;
typedef struct _cl_device_id* cl_device_id;
typedef struct _cl_command_queue* cl_command_queue;
typedef struct _cl_kernel* cl_kernel;

namespace duovis::gpu {

constexpr int kKernelCacheSlots = 5;  // device indices 0..4

// The stereo kernel for this device: the cached one, or one built now from the embedded source
// and cached. Null on any failure (index out of range, program creation, build, kernel
// creation); a build failure writes the build log to the debug output and leaves the slot empty.
// A slot holds the kernel of one context: the same index asked for with another context builds
// a kernel for that context.
cl_kernel prepareOpenClKernel(cl_context context, cl_device_id device, int deviceIndex);

// Sets the 61 arguments and enqueues one work-item per eye pixel in 16 x 16 groups, under the
// cached kernel's own lock so overlapping renders cannot mix arguments. Does not wait. False
// when an argument is refused (the kernel would run with another render's values) or the
// enqueue fails.
bool launchOpenClKernel(cl_kernel kernel, cl_command_queue queue, const TransformKernelArgs& args);

// True when this module was built with the CUDA kernel.
bool cudaKernelBuilt();

// Launches the CUDA kernel over the eye grid (blocks of 16 x 16) on the default stream, waits
// for the device and reports whether any error is pending. False also when not built with CUDA
// or when the runtime finds no device.
bool launchCudaKernel(const TransformKernelArgs& args);

}  // namespace duovis::gpu
