// One OpenCL device for the whole test process: context, queue and the stereo kernel from the
// module's cache (slot 0), built once because a program build takes seconds on PoCL.
#pragma once

#include "GpuParity.h"

#include <CL/cl.h>

#include <string>

namespace duovis::gpu::test {

struct OpenClDevice {
    cl_platform_id platform = nullptr;
    cl_device_id device = nullptr;
    cl_context context = nullptr;
    cl_command_queue queue = nullptr;
    cl_kernel kernel = nullptr;  // prepared on device index 0
    std::string name;            // platform and device, for the log
    std::string failure;         // why there is no device; empty when there is one
};

// The first platform with a device, or the one whose name contains DUOVIS_OPENCL_PLATFORM.
const OpenClDevice& openClDevice();

// A device copy of a host frame (null on failure), and the case's record with device buffers.
cl_mem uploadFrame(cl_context context, const HostFrame& frame);
TransformKernelArgs withBuffers(const TransformKernelArgs& args, cl_mem primary, cl_mem secondary,
                                cl_mem destination);

// The case on the device: uploads the frames, launches `kernel` on `queue`, waits, reads the
// destination back. `launched` tells whether the launch reported success.
HostFrame runOnOpenCl(const OpenClDevice& cl, cl_kernel kernel, cl_command_queue queue,
                      const CaseFrames& frames, bool* launched = nullptr);

}  // namespace duovis::gpu::test
