#pragma once
// One effect instance on one device, driven as the editing host drives a GPU filter: create
// the filter's instance, ask for the frame it depends on, hand the frames over in device
// memory, render, read the output back.

#include <optional>

#include "GpuFilterModule.h"
#include "GpuHost.h"
#include "Layer.h"

namespace duovis::refhost::gpu {

// Time in the editing host: the effect's own frames, where they sit in the sequence, and the
// time unit of the layers that supply the pictures.
struct GpuTiming {
    PrTime ticksPerFrame = kPrTicksPerSecond / 25;
    PrTime clipStart = 0;          // sequence time of the effect's frame 0
    int64_t durationFrames = 100;  // the effect's duration
    A_long layerTimeStep = 1;      // a layer's frame n is at time n * layerTimeStep
};

struct GpuRenderResult {
    prSuiteError error = suiteError_NoError;
    World output;  // float BGRA; empty when the render failed
    std::optional<PrGPUFilterFrameDependency> dependency;
    std::size_t frameCount = 0;  // frames handed to the filter
};

class GpuEffect {
  public:
    // `params` holds the values the effect registered (position 0 the input layer).
    GpuEffect(const GpuFilterModule& module, GpuHost& host, const ParamStore& params,
              csSDK_uint32 deviceIndex);
    ~GpuEffect();  // disposes the filter's instance
    GpuEffect(const GpuEffect&) = delete;
    GpuEffect& operator=(const GpuEffect&) = delete;

    prSuiteError create();
    // Disposes the filter's instance (also done when the effect goes).
    void dispose();
    bool created() const { return created_; }
    // The record the host keeps for the instance.
    const PrGPUFilterInstance& instanceRecord() const { return record_; }

    GpuTiming& timing() { return timing_; }
    // The layer the effect's layer choice points at; null chooses none.
    void chooseLayer(Layer* layer);
    static constexpr csSDK_int32 kSecondaryTrack = 2;

    PrGPUFilterRenderParams renderParams(int64_t frame) const;
    // The filter's answer for frame `frame`, and whether it declared a dependency.
    prSuiteError frameDependency(int64_t frame, std::optional<PrGPUFilterFrameDependency>& dependency);

    struct RenderOptions {
        PrPixelFormat format = PrPixelFormat_GPU_BGRA_4444_32f;
        int rowPadding = 0;              // bytes after each row of the input frames
        bool outputPlace = true;         // false: the host gives no place for the output frame
        bool suppliesDependency = true;  // false: the host hands over the input frame alone
    };
    // Renders the effect's frame `frame` with `primary` as its input layer.
    GpuRenderResult render(Layer& primary, int64_t frame, const RenderOptions& options);
    GpuRenderResult render(Layer& primary, int64_t frame) { return render(primary, frame, RenderOptions{}); }

    // One Render call with frames the caller made (for failure paths).
    prSuiteError callRender(int64_t frame, const PPixHand* frames, std::size_t count, PPixHand* out);

  private:
    World* frameOf(Layer& layer, int64_t frame) const;

    const GpuFilterModule& module_;
    GpuHost& host_;
    GpuTiming timing_;
    PrGPUFilterInstance record_{};
    bool created_ = false;
    Layer* secondary_ = nullptr;
};

}  // namespace duovis::refhost::gpu
