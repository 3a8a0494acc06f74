// The OpenCL back end: the program built once per device and cached, and the launch of the
// shared kernel object.
#include "KernelSource.h"
#include "LaunchGeometry.h"
#include "OpenClKernelCache.h"

#include <CL/cl.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

namespace duovis::gpu {

const char kOpenClBuildOptions[] = "-cl-single-precision-constant -cl-fast-relaxed-math";

namespace {

static_assert(sizeof(cl_mem) == kernelArgSize(0), "frame arguments travel as cl_mem handles");

// One device's cached kernel. Preparation is serialised per slot, so concurrent instances on
// one device build the program once.
struct Slot {
    std::mutex prepare;
    std::atomic<cl_kernel> kernel{nullptr};
    std::atomic<cl_context> context{nullptr};
};

Slot gSlots[kKernelCacheSlots];
std::atomic<int> gBuilds{0};

// Every instance on a device shares one kernel object, whose arguments are state: setting them
// and enqueueing happen under a lock chosen by the kernel handle, so two renders cannot mix
// their arguments. The choice depends on the handle alone, never on the cache's contents.
constexpr size_t kLaunchLocks = 16;
std::mutex gLaunchLocks[kLaunchLocks];

std::mutex& launchLockFor(cl_kernel kernel) {
    const auto bits = reinterpret_cast<uintptr_t>(kernel);
    return gLaunchLocks[(bits >> 4) % kLaunchLocks];
}

void writeBuildLog(cl_program program, cl_device_id device, cl_int error) {
    size_t size = 0;
    std::string log;
    if (clGetProgramBuildInfo(program, device, CL_PROGRAM_BUILD_LOG, 0, nullptr, &size) == CL_SUCCESS &&
        size > 0) {
        log.resize(size);
        if (clGetProgramBuildInfo(program, device, CL_PROGRAM_BUILD_LOG, size, log.data(), nullptr) !=
            CL_SUCCESS) {
            log.clear();
        }
    }
    std::fprintf(stderr, "Duovis: building the OpenCL stereo kernel failed (error %d). Build log:\n%s\n",
                 int(error), log.c_str());
    std::fflush(stderr);
}

cl_kernel buildKernel(cl_context context, cl_device_id device, const char* source) {
    gBuilds.fetch_add(1);
    cl_int error = CL_SUCCESS;
    const size_t length = std::strlen(source);
    cl_program program = clCreateProgramWithSource(context, 1, &source, &length, &error);
    if (error != CL_SUCCESS || program == nullptr) return nullptr;
    error = clBuildProgram(program, 1, &device, kOpenClBuildOptions, nullptr, nullptr);
    if (error != CL_SUCCESS) {
        writeBuildLog(program, device, error);
        clReleaseProgram(program);
        return nullptr;
    }
    cl_kernel kernel = clCreateKernel(program, "TransformKernel", &error);
    // The kernel holds its program; nothing else needs it.
    clReleaseProgram(program);
    return error == CL_SUCCESS ? kernel : nullptr;
}

}  // namespace

cl_kernel prepareOpenClKernelFromSource(cl_context context, cl_device_id device, int deviceIndex,
                                        const char* source) {
    if (deviceIndex < 0 || deviceIndex >= kKernelCacheSlots || source == nullptr) return nullptr;
    Slot& slot = gSlots[deviceIndex];
    std::lock_guard<std::mutex> lock(slot.prepare);
    // A kernel belongs to the context it was built in; a device index seen again with another
    // context (a host that recreated it) gets a kernel of its own. The replaced kernel is
    // never released: instances may still hold it.
    cl_kernel cached = slot.kernel.load();
    if (cached != nullptr && slot.context.load() == context) return cached;
    cl_kernel kernel = buildKernel(context, device, source);
    if (kernel == nullptr) return nullptr;
    slot.context.store(context);
    slot.kernel.store(kernel);
    return kernel;
}

cl_kernel prepareOpenClKernel(cl_context context, cl_device_id device, int deviceIndex) {
    return prepareOpenClKernelFromSource(context, device, deviceIndex, kTransformKernelSource);
}

int openClProgramBuilds() {
    return gBuilds.load();
}

bool launchOpenClKernel(cl_kernel kernel, cl_command_queue queue, const TransformKernelArgs& args) {
    if (kernel == nullptr || queue == nullptr) return false;
    const size_t global[2] = {openClGlobalSize(args.inWidthLP), openClGlobalSize(args.inHeightLP)};
    const size_t local[2] = {kBlockSide, kBlockSide};
    // The record's layout is the argument list's: the three frame handles, then the 58
    // four-byte values, each at its own offset.
    const auto* record = reinterpret_cast<const unsigned char*>(&args);
    std::lock_guard<std::mutex> lock(launchLockFor(kernel));
    for (int i = 0; i < kTransformKernelArgCount; ++i) {
        // A refused argument would leave the previous render's value in place: fail instead.
        if (clSetKernelArg(kernel, cl_uint(i), kernelArgSize(i), record + kernelArgOffset(i)) != CL_SUCCESS) {
            return false;
        }
    }
    return clEnqueueNDRangeKernel(queue, kernel, 2, nullptr, global, local, 0, nullptr, nullptr) ==
           CL_SUCCESS;
}

}  // namespace duovis::gpu
