#pragma once
// The render thread: each studio instance has a render instance of the effect of its own here,
// which takes the window instance's values for every frame, as a host's render threads do.
// Only the newest request of an instance is kept; one that a newer request overtakes before
// it starts is dropped, and the window drops a result whose request has been overtaken.

#include <QImage>
#include <QSize>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "EffectInstance.h"
#include "Module.h"
#include "StudioSource.h"
#include "ValueSet.h"

namespace duovis::studio {

// The host the viewer's renders run as: the compositing host, whose output the effect sizes
// (both eyes of a side-by-side or top-bottom output, one eye of a demuxed packed video), so the
// viewer shows the frame `duovis render` writes. The editing host would keep every frame at
// the layer's size and crop those outputs.
constexpr refhost::HostApp kViewerHost = refhost::HostApp::AfterEffects;

struct RenderRequest {
    int slot = 0;
    quint64 generation = 0;
    std::shared_ptr<refhost::Module> module;
    refhost::HostApp app = refhost::HostApp::Premiere;
    std::shared_ptr<const StudioSource> source;
    ValueSet values;
    int factor = 1;  // the host's down-sampling, 1/factor in both directions
    int frame = 0;
    double framesPerSecond = 24.0;
    bool useSecond = true;  // the layer choice points at the second layer
};

struct RenderResult {
    int slot = 0;
    quint64 generation = 0;
    int factor = 1;
    int frame = 0;
    QImage image;       // null when the render failed
    QSize fullSize;     // the output at full resolution
    std::string error;  // why it failed
};

class RenderWorker {
  public:
    // `done` runs on the render thread for every finished request.
    explicit RenderWorker(std::function<void(RenderResult)> done);
    ~RenderWorker();
    RenderWorker(const RenderWorker&) = delete;
    RenderWorker& operator=(const RenderWorker&) = delete;

    // Replaces the instance's waiting request, if any.
    void submit(RenderRequest request);
    // Drops the waiting requests and the render instances (a new file or project brings new
    // ones); returns once they are gone.
    void reset();

  private:
    struct Instance;
    void run();
    RenderResult render(const RenderRequest& request);

    std::function<void(RenderResult)> done_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable resetDone_;
    std::map<int, RenderRequest> pending_;
    bool resetPending_ = false;
    bool stop_ = false;
    std::map<int, std::unique_ptr<Instance>> instances_;  // render thread only
    std::thread thread_;
};

}  // namespace duovis::studio
