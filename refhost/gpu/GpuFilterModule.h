#pragma once
// The GPU filter of a loaded effect module: its exported entry, and the filter table and info
// the entry hands out at start-up.

#include "Module.h"
#include "PrSDKGPUFilter.h"

namespace duovis::refhost::gpu {

class GpuFilterModule {
  public:
    // True when the module exports the GPU filter entry.
    static bool exportsFilter(const Module& module);

    // Resolves the entry in the already loaded module and starts the filter; throws
    // std::runtime_error when the module has no GPU filter or its entry refuses.
    explicit GpuFilterModule(const Module& module);
    // Tells the filter the host is shutting down.
    ~GpuFilterModule();
    GpuFilterModule(const GpuFilterModule&) = delete;
    GpuFilterModule& operator=(const GpuFilterModule&) = delete;

    PrGPUFilterEntry entry() const { return entry_; }
    const PrGPUFilter& filter() const { return filter_; }
    const PrGPUFilterInfo& info() const { return info_; }

  private:
    void* library_ = nullptr;  // our own reference, so the filter outlives any other user
    PrGPUFilterEntry entry_ = nullptr;
    PrGPUFilter filter_{};
    PrGPUFilterInfo info_{};
};

}  // namespace duovis::refhost::gpu
