// CUDA devices, when the host is built with the CUDA runtime: frames are plain device
// addresses and a filter launches on the calling thread's current device.
#include <string>
#include <utility>

#include "GpuDevice.h"

#if DUOVIS_REFHOST_CUDA
#include <cuda_runtime_api.h>
#endif

namespace duovis::refhost::gpu {

#if DUOVIS_REFHOST_CUDA
namespace {

class CudaDevice : public GpuDevice {
  public:
    CudaDevice(int ordinal, std::string name) : ordinal_(ordinal), name_(std::move(name)) {}

    PrGPUDeviceFramework framework() const override { return PrGPUDeviceFramework_CUDA; }
    std::string name() const override { return name_; }
    PrGPUDeviceInfo info() const override {
        PrGPUDeviceInfo i{};
        i.outDeviceFramework = PrGPUDeviceFramework_CUDA;
        i.outMeetsMinimumRequirementsForAcceleration = 1;
        return i;
    }
    void* allocate(std::size_t bytes) override {
        void* memory = nullptr;
        if (!select() || cudaMalloc(&memory, bytes) != cudaSuccess) return nullptr;
        return memory;
    }
    void release(void* memory) override {
        if (memory != nullptr && select()) cudaFree(memory);
    }
    bool upload(void* memory, const void* bytes, std::size_t size) override {
        return select() && cudaMemcpy(memory, bytes, size, cudaMemcpyHostToDevice) == cudaSuccess;
    }
    bool download(const void* memory, void* bytes, std::size_t size) override {
        return select() && cudaMemcpy(bytes, memory, size, cudaMemcpyDeviceToHost) == cudaSuccess;
    }
    bool finish() override { return select() && cudaDeviceSynchronize() == cudaSuccess; }
    void makeCurrent() override { select(); }

  private:
    bool select() const { return cudaSetDevice(ordinal_) == cudaSuccess; }
    int ordinal_;
    std::string name_;
};

}  // namespace

void addCudaDevices(std::vector<std::shared_ptr<GpuDevice>>& devices, std::string& reason) {
    int count = 0;
    const cudaError_t err = cudaGetDeviceCount(&count);
    if (err != cudaSuccess || count == 0) {
        reason = "no CUDA device is present";
        if (err != cudaSuccess) reason += std::string(" (") + cudaGetErrorString(err) + ")";
        return;
    }
    for (int i = 0; i < count; ++i) {
        cudaDeviceProp prop{};
        cudaGetDeviceProperties(&prop, i);
        devices.push_back(std::make_shared<CudaDevice>(i, prop.name));
    }
}

#else

void addCudaDevices(std::vector<std::shared_ptr<GpuDevice>>&, std::string& reason) {
    reason = "no CUDA device: this host was built without the CUDA runtime";
}

#endif

}  // namespace duovis::refhost::gpu
