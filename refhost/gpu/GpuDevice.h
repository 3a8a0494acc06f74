#pragma once
// One compute device as the editing host keeps it: the framework it speaks, the handles a
// filter needs, and the memory operations the host itself uses to move frames.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "PrSDKGPUDeviceSuite.h"

namespace duovis::refhost::gpu {

class GpuDevice {
  public:
    virtual ~GpuDevice() = default;

    virtual PrGPUDeviceFramework framework() const = 0;
    virtual std::string name() const = 0;
    // The handles the device suite reports (platform, device, context, command queue).
    virtual PrGPUDeviceInfo info() const = 0;

    // Device memory of `bytes` bytes: a cl_mem or a CUDA device address; null on failure.
    virtual void* allocate(std::size_t bytes) = 0;
    virtual void release(void* memory) = 0;
    // Blocking copies that first wait for everything queued on the device.
    virtual bool upload(void* memory, const void* bytes, std::size_t size) = 0;
    virtual bool download(const void* memory, void* bytes, std::size_t size) = 0;
    // Waits until the device has finished what was queued; false on a device error.
    virtual bool finish() = 0;
    // Makes the device the calling thread's own where the framework works per thread (CUDA),
    // before the host calls a filter for it.
    virtual void makeCurrent() {}
};

// The devices of this process, by the host's device index: OpenCL devices of every platform
// the loader offers, then CUDA devices. Made once and kept for the process, because a filter
// may cache objects per device index for as long as it is loaded.
class DeviceTable {
  public:
    static DeviceTable& instance();

    std::size_t size() const { return devices_.size(); }
    GpuDevice* at(std::size_t index) const {
        return index < devices_.size() ? devices_[index].get() : nullptr;
    }
    // Index of the first device of a framework, or -1.
    int firstOf(PrGPUDeviceFramework framework) const;

    // Lists device `index` again at every index up to `count` - 1, so device indices a real
    // machine would need several cards for can be reached on one.
    void repeatUpTo(std::size_t count, std::size_t index);

    // Why a framework has no device here ("no OpenCL platform", ...), for messages.
    const std::string& missingReason(PrGPUDeviceFramework framework) const;

  private:
    DeviceTable();
    std::vector<std::shared_ptr<GpuDevice>> devices_;
    std::string noOpenCl_;
    std::string noCuda_;
};

// The back ends; each adds what it finds and says why when it finds nothing.
void addOpenClDevices(std::vector<std::shared_ptr<GpuDevice>>& devices, std::string& reason);
void addCudaDevices(std::vector<std::shared_ptr<GpuDevice>>& devices, std::string& reason);

}  // namespace duovis::refhost::gpu
