#include "GpuDevice.h"

namespace duovis::refhost::gpu {

DeviceTable& DeviceTable::instance() {
    // Never destroyed: filters may hold objects of these devices until the process ends, and the
    // compute runtimes tear themselves down at exit in an order of their own.
    static DeviceTable* table = new DeviceTable;
    return *table;
}

DeviceTable::DeviceTable() {
    addOpenClDevices(devices_, noOpenCl_);
    addCudaDevices(devices_, noCuda_);
}

int DeviceTable::firstOf(PrGPUDeviceFramework framework) const {
    for (std::size_t i = 0; i < devices_.size(); ++i)
        if (devices_[i]->framework() == framework) return static_cast<int>(i);
    return -1;
}

void DeviceTable::repeatUpTo(std::size_t count, std::size_t index) {
    if (index >= devices_.size()) return;
    while (devices_.size() < count) devices_.push_back(devices_[index]);
}

const std::string& DeviceTable::missingReason(PrGPUDeviceFramework framework) const {
    return framework == PrGPUDeviceFramework_CUDA ? noCuda_ : noOpenCl_;
}

}  // namespace duovis::refhost::gpu
