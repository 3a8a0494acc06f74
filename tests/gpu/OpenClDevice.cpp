#include "OpenClDevice.h"

#include "KernelDispatch.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace duovis::gpu::test {

namespace {

std::string platformName(cl_platform_id p) {
    char text[256] = {};
    clGetPlatformInfo(p, CL_PLATFORM_NAME, sizeof text - 1, text, nullptr);
    return text;
}
std::string deviceName(cl_device_id d) {
    char text[256] = {};
    clGetDeviceInfo(d, CL_DEVICE_NAME, sizeof text - 1, text, nullptr);
    return text;
}

OpenClDevice open() {
    OpenClDevice cl;
    cl_uint count = 0;
    if (clGetPlatformIDs(0, nullptr, &count) != CL_SUCCESS || count == 0) {
        cl.failure = "no OpenCL platform (install pocl-opencl-icd)";
        return cl;
    }
    std::vector<cl_platform_id> platforms(count);
    clGetPlatformIDs(count, platforms.data(), nullptr);
    const char* wanted = std::getenv("DUOVIS_OPENCL_PLATFORM");
    for (cl_platform_id p : platforms) {
        if (wanted && platformName(p).find(wanted) == std::string::npos) continue;
        cl_device_id d = nullptr;
        cl_uint n = 0;
        if (clGetDeviceIDs(p, CL_DEVICE_TYPE_ALL, 1, &d, &n) == CL_SUCCESS && n > 0) {
            cl.platform = p;
            cl.device = d;
            break;
        }
    }
    if (!cl.device) {
        cl.failure = "no OpenCL device";
        return cl;
    }
    cl.name = platformName(cl.platform) + " / " + deviceName(cl.device);
    cl_int error = CL_SUCCESS;
    cl.context = clCreateContext(nullptr, 1, &cl.device, nullptr, nullptr, &error);
    if (error != CL_SUCCESS) {
        cl.failure = "clCreateContext failed: " + std::to_string(error);
        return cl;
    }
    cl.queue = clCreateCommandQueue(cl.context, cl.device, 0, &error);
    if (error != CL_SUCCESS) {
        cl.failure = "clCreateCommandQueue failed: " + std::to_string(error);
        return cl;
    }
    cl.kernel = prepareOpenClKernel(cl.context, cl.device, 0);
    if (!cl.kernel) cl.failure = "the stereo kernel did not build on " + cl.name;
    return cl;
}

}  // namespace

cl_mem uploadFrame(cl_context context, const HostFrame& f) {
    cl_int error = CL_SUCCESS;
    cl_mem m = clCreateBuffer(context, CL_MEM_READ_WRITE | CL_MEM_COPY_HOST_PTR, f.bytes(),
                              const_cast<void*>(f.data()), &error);
    return error == CL_SUCCESS ? m : nullptr;
}

TransformKernelArgs withBuffers(const TransformKernelArgs& args, cl_mem primary, cl_mem secondary,
                                cl_mem destination) {
    TransformKernelArgs a = args;
    std::memcpy(&a.inImageL, &primary, sizeof primary);
    std::memcpy(&a.inImageR, &secondary, sizeof secondary);
    std::memcpy(&a.inImageD, &destination, sizeof destination);
    return a;
}

const OpenClDevice& openClDevice() {
    static const OpenClDevice cl = open();
    return cl;
}

HostFrame runOnOpenCl(const OpenClDevice& cl, cl_kernel kernel, cl_command_queue queue,
                      const CaseFrames& frames, bool* launched) {
    HostFrame out = frames.destination;
    cl_mem primary = uploadFrame(cl.context, frames.primary);
    cl_mem secondary = frames.hasSecondary ? uploadFrame(cl.context, frames.secondary) : nullptr;
    cl_mem destination = uploadFrame(cl.context, frames.destination);
    const bool ok =
        launchOpenClKernel(kernel, queue, withBuffers(frames.args, primary, secondary, destination));
    if (launched) *launched = ok;
    clFinish(queue);
    clEnqueueReadBuffer(queue, destination, CL_TRUE, 0, out.bytes(), out.data(), 0, nullptr, nullptr);
    clReleaseMemObject(primary);
    if (secondary) clReleaseMemObject(secondary);
    clReleaseMemObject(destination);
    return out;
}

}  // namespace duovis::gpu::test
