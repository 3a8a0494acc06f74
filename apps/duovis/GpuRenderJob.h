#pragma once
// The editing host's GPU render of an applied effect: its GPU filter on one device, fed the
// same parameter values as the job's CPU instance.

#include <memory>

#include "GpuEffect.h"
#include "GpuRender.h"

namespace duovis::cli {

class GpuRenderJob : public GpuRender {
  public:
    // Starts the module's GPU filter on the first device of the engine's framework; throws
    // std::runtime_error with one line saying why when there is no such device, the module
    // has no GPU filter, or the filter declines the device.
    GpuRenderJob(session::RenderJob& job, Engine engine);
    ~GpuRenderJob() override;
    GpuRenderJob(const GpuRenderJob&) = delete;
    GpuRenderJob& operator=(const GpuRenderJob&) = delete;

    refhost::World render(refhost::Layer primary, refhost::Layer* secondary, int frame, double fps) override;

  private:
    session::RenderJob& job_;
    std::unique_ptr<refhost::gpu::GpuFilterModule> filter_;
    std::unique_ptr<refhost::gpu::GpuHost> host_;
    std::unique_ptr<refhost::gpu::GpuEffect> effect_;
};

}  // namespace duovis::cli
