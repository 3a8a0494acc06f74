#include "GpuEffect.h"

#include <limits>

namespace duovis::refhost::gpu {

GpuEffect::GpuEffect(const GpuFilterModule& module, GpuHost& host, const ParamStore& params,
                     csSDK_uint32 deviceIndex)
    : module_(module), host_(host) {
    record_.piSuites = host_.basicSuite();
    record_.inDeviceIndex = deviceIndex;
    record_.inTimelineID = 1;
    record_.inNodeID = host_.addNode(GpuNode{&params, -1, 0});
}

GpuEffect::~GpuEffect() {
    dispose();
    host_.removeNode(record_.inNodeID);
}

void GpuEffect::dispose() {
    if (!created_) return;
    GpuHost::ScopedCurrent current(host_);
    module_.filter().DisposeInstance(&record_);
    created_ = false;
}

prSuiteError GpuEffect::create() {
    if (created_) return suiteError_NoError;
    if (GpuDevice* device = DeviceTable::instance().at(record_.inDeviceIndex)) device->makeCurrent();
    GpuHost::ScopedCurrent current(host_);
    const prSuiteError err = module_.filter().CreateInstance(&record_);
    created_ = err >= 0;
    return err;
}

void GpuEffect::chooseLayer(Layer* layer) {
    secondary_ = layer;
    if (GpuNode* node = host_.node(record_.inNodeID))
        node->chosenTrack = layer != nullptr ? kSecondaryTrack : -1;
}

PrGPUFilterRenderParams GpuEffect::renderParams(int64_t frame) const {
    PrGPUFilterRenderParams p{};
    p.inClipTime = frame * timing_.ticksPerFrame;
    p.inSequenceTime = timing_.clipStart + frame * timing_.ticksPerFrame;
    p.inQuality = 1;
    p.inDownsampleFactorX = 1.0f;
    p.inDownsampleFactorY = 1.0f;
    p.inRenderPARNum = 1;
    p.inRenderPARDen = 1;
    p.inRenderFieldType = prFieldsNone;
    p.inRenderTicksPerFrame = timing_.ticksPerFrame;
    return p;
}

prSuiteError GpuEffect::frameDependency(int64_t frame,
                                        std::optional<PrGPUFilterFrameDependency>& dependency) {
    dependency.reset();
    if (GpuNode* node = host_.node(record_.inNodeID))
        node->duration = timing_.durationFrames * timing_.ticksPerFrame;
    const PrGPUFilterRenderParams params = renderParams(frame);
    PrGPUFilterFrameDependency answer{};
    csSDK_int32 query = 0;
    GpuHost::ScopedCurrent current(host_);
    const prSuiteError err = module_.filter().GetFrameDependencies(&record_, &params, &query, &answer);
    if (err == suiteError_NoError && answer.outDependencyType == PrGPUDependency_InputFrame)
        dependency = answer;
    return err;
}

World* GpuEffect::frameOf(Layer& layer, int64_t frame) const {
    const int64_t time = frame * timing_.layerTimeStep;
    if (time < std::numeric_limits<A_long>::min() || time > std::numeric_limits<A_long>::max())
        return nullptr;
    World* world = layer.frameAt(static_cast<A_long>(time));
    return world != nullptr && !world->empty() ? world : nullptr;
}

prSuiteError GpuEffect::callRender(int64_t frame, const PPixHand* frames, std::size_t count, PPixHand* out) {
    const PrGPUFilterRenderParams params = renderParams(frame);
    if (GpuDevice* device = DeviceTable::instance().at(record_.inDeviceIndex)) device->makeCurrent();
    GpuHost::ScopedCurrent current(host_);
    return module_.filter().Render(&record_, &params, frames, count, out);
}

GpuRenderResult GpuEffect::render(Layer& primary, int64_t frame, const RenderOptions& options) {
    GpuRenderResult result;
    result.error = frameDependency(frame, result.dependency);
    if (result.error != suiteError_NoError) return result;

    std::vector<PPixHand> frames;
    if (World* input = frameOf(primary, frame)) {
        frames.push_back(
            host_.uploadFrame(record_.inDeviceIndex, *input, options.format, options.rowPadding));
    }
    // The dependency names a track and a sequence time; this host's secondary layer is the one
    // track a filter can ask for.
    const auto& dep = result.dependency;
    if (!frames.empty() && options.suppliesDependency && dep && dep->outTrackID == kSecondaryTrack &&
        secondary_ != nullptr && timing_.ticksPerFrame > 0) {
        const int64_t layerFrame = (dep->outSequenceTime - timing_.clipStart) / timing_.ticksPerFrame;
        if (World* second = frameOf(*secondary_, layerFrame)) {
            frames.push_back(
                host_.uploadFrame(record_.inDeviceIndex, *second, options.format, options.rowPadding));
        }
    }
    for (PPixHand f : frames) {
        if (f == nullptr) {
            for (PPixHand g : frames) host_.disposeFrame(g);
            result.error = suiteError_Fail;
            return result;
        }
    }
    result.frameCount = frames.size();

    PPixHand out = nullptr;
    result.error = callRender(frame, frames.data(), frames.size(), options.outputPlace ? &out : nullptr);
    if (result.error == suiteError_NoError && out != nullptr) result.output = host_.readFrame(out);
    // The output frame is the host's once Render returns; the inputs were always.
    if (out != nullptr) host_.disposeFrame(out);
    for (PPixHand f : frames) host_.disposeFrame(f);
    return result;
}

}  // namespace duovis::refhost::gpu
