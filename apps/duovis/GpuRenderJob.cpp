#include "GpuRenderJob.h"

#include <cmath>
#include <stdexcept>

namespace duovis::cli {

namespace {

const char* engineName(Engine engine) {
    return engine == Engine::Cuda ? "cuda" : "opencl";
}

}  // namespace

GpuRenderJob::GpuRenderJob(session::RenderJob& job, Engine engine) : job_(job) {
    using namespace refhost::gpu;
    const PrGPUDeviceFramework framework =
        engine == Engine::Cuda ? PrGPUDeviceFramework_CUDA : PrGPUDeviceFramework_OpenCL;
    if (!GpuFilterModule::exportsFilter(job.module()))
        throw std::runtime_error(std::string("--engine ") + engineName(engine) + ": " + job.module().path() +
                                 " has no GPU filter");
    const DeviceTable& devices = DeviceTable::instance();
    const int device = devices.firstOf(framework);
    if (device < 0)
        throw std::runtime_error(std::string("--engine ") + engineName(engine) + ": " +
                                 devices.missingReason(framework));
    filter_ = std::make_unique<GpuFilterModule>(job.module());
    host_ = std::make_unique<GpuHost>();
    effect_ = std::make_unique<GpuEffect>(*filter_, *host_, job.params(), static_cast<csSDK_uint32>(device));
    if (const prSuiteError err = effect_->create())
        throw std::runtime_error("the GPU filter declined " +
                                 devices.at(static_cast<std::size_t>(device))->name() + " (error " +
                                 std::to_string(err) + ")");
}

GpuRenderJob::~GpuRenderJob() = default;

std::unique_ptr<GpuRender> makeGpuRender(session::RenderJob& job, Engine engine) {
    return std::make_unique<GpuRenderJob>(job, engine);
}

refhost::World GpuRenderJob::render(refhost::Layer primary, refhost::Layer* secondary, int frame,
                                    double fps) {
    refhost::gpu::GpuTiming& t = effect_->timing();
    t.ticksPerFrame = std::llround(static_cast<double>(kPrTicksPerSecond) / fps);
    t.clipStart = 0;
    t.durationFrames = std::max<int64_t>(frame + 1, 240);
    t.layerTimeStep = job_.timeStep();
    effect_->chooseLayer(secondary);
    refhost::gpu::GpuRenderResult r = effect_->render(primary, frame);
    effect_->chooseLayer(nullptr);
    host_->clearLog();
    if (r.error != suiteError_NoError || r.output.empty())
        throw std::runtime_error("the GPU filter failed to render frame " + std::to_string(frame) +
                                 " (error " + std::to_string(r.error) + ")");
    return std::move(r.output);
}

}  // namespace duovis::cli
