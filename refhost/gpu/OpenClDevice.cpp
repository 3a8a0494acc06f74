// OpenCL devices: one context and one in-order command queue per device, as the editing host
// hands them to its GPU filters.
#define CL_TARGET_OPENCL_VERSION 120
#include <CL/cl.h>

#include <string>
#include <vector>

#include "GpuDevice.h"

namespace duovis::refhost::gpu {

namespace {

std::string deviceName(cl_device_id device) {
    std::size_t size = 0;
    if (clGetDeviceInfo(device, CL_DEVICE_NAME, 0, nullptr, &size) != CL_SUCCESS || size == 0)
        return "OpenCL device";
    std::string name(size, '\0');
    clGetDeviceInfo(device, CL_DEVICE_NAME, size, name.data(), nullptr);
    while (!name.empty() && name.back() == '\0') name.pop_back();
    return name;
}

class OpenClDevice : public GpuDevice {
  public:
    OpenClDevice(cl_platform_id platform, cl_device_id device, cl_context context, cl_command_queue queue)
        : platform_(platform), device_(device), context_(context), queue_(queue), name_(deviceName(device)) {}
    ~OpenClDevice() override {
        clReleaseCommandQueue(queue_);
        clReleaseContext(context_);
    }
    OpenClDevice(const OpenClDevice&) = delete;
    OpenClDevice& operator=(const OpenClDevice&) = delete;

    PrGPUDeviceFramework framework() const override { return PrGPUDeviceFramework_OpenCL; }
    std::string name() const override { return name_; }
    PrGPUDeviceInfo info() const override {
        PrGPUDeviceInfo i{};
        i.outDeviceFramework = PrGPUDeviceFramework_OpenCL;
        i.outMeetsMinimumRequirementsForAcceleration = 1;
        i.outPlatformHandle = platform_;
        i.outDeviceHandle = device_;
        i.outContextHandle = context_;
        i.outCommandQueueHandle = queue_;
        return i;
    }

    void* allocate(std::size_t bytes) override {
        cl_int err = CL_SUCCESS;
        cl_mem memory = clCreateBuffer(context_, CL_MEM_READ_WRITE, bytes, nullptr, &err);
        return err == CL_SUCCESS ? memory : nullptr;
    }
    void release(void* memory) override {
        if (memory != nullptr) clReleaseMemObject(static_cast<cl_mem>(memory));
    }
    // The queue is in order, so a blocking copy follows every kernel queued before it.
    bool upload(void* memory, const void* bytes, std::size_t size) override {
        return clEnqueueWriteBuffer(queue_, static_cast<cl_mem>(memory), CL_TRUE, 0, size, bytes, 0, nullptr,
                                    nullptr) == CL_SUCCESS;
    }
    bool download(const void* memory, void* bytes, std::size_t size) override {
        return clEnqueueReadBuffer(queue_, static_cast<cl_mem>(const_cast<void*>(memory)), CL_TRUE, 0, size,
                                   bytes, 0, nullptr, nullptr) == CL_SUCCESS;
    }
    bool finish() override { return clFinish(queue_) == CL_SUCCESS; }

  private:
    cl_platform_id platform_;
    cl_device_id device_;
    cl_context context_;
    cl_command_queue queue_;
    std::string name_;
};

}  // namespace

void addOpenClDevices(std::vector<std::shared_ptr<GpuDevice>>& devices, std::string& reason) {
    cl_uint platformCount = 0;
    if (clGetPlatformIDs(0, nullptr, &platformCount) != CL_SUCCESS || platformCount == 0) {
        reason = "no OpenCL platform is installed";
        return;
    }
    std::vector<cl_platform_id> platforms(platformCount);
    clGetPlatformIDs(platformCount, platforms.data(), nullptr);
    const std::size_t before = devices.size();
    for (cl_platform_id platform : platforms) {
        cl_uint deviceCount = 0;
        if (clGetDeviceIDs(platform, CL_DEVICE_TYPE_ALL, 0, nullptr, &deviceCount) != CL_SUCCESS) continue;
        std::vector<cl_device_id> ids(deviceCount);
        clGetDeviceIDs(platform, CL_DEVICE_TYPE_ALL, deviceCount, ids.data(), nullptr);
        for (cl_device_id id : ids) {
            const cl_context_properties props[] = {CL_CONTEXT_PLATFORM,
                                                   reinterpret_cast<cl_context_properties>(platform), 0};
            cl_int err = CL_SUCCESS;
            cl_context context = clCreateContext(props, 1, &id, nullptr, nullptr, &err);
            if (err != CL_SUCCESS) continue;
            cl_command_queue queue = clCreateCommandQueue(context, id, 0, &err);
            if (err != CL_SUCCESS) {
                clReleaseContext(context);
                continue;
            }
            devices.push_back(std::make_shared<OpenClDevice>(platform, id, context, queue));
        }
    }
    if (devices.size() == before) reason = "no OpenCL device could be opened";
}

}  // namespace duovis::refhost::gpu
