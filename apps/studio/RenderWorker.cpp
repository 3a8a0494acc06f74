#include "RenderWorker.h"

#include <exception>

#include "session/ImageWorld.h"
#include "session/RenderJob.h"

namespace duovis::studio {

struct RenderWorker::Instance {
    std::unique_ptr<session::RenderJob> job;
    refhost::Module* module = nullptr;
    refhost::HostApp app;
    const StudioSource* source = nullptr;
    // A still's layers at each down-sampling, made once: dragging renders the same pictures.
    std::map<int, std::pair<refhost::Layer, refhost::Layer>> stills;
};

RenderWorker::RenderWorker(std::function<void(RenderResult)> done)
    : done_(std::move(done)), thread_([this] { run(); }) {}

RenderWorker::~RenderWorker() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void RenderWorker::submit(RenderRequest request) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const int slot = request.slot;
        pending_[slot] = std::move(request);
    }
    wake_.notify_one();
}

void RenderWorker::reset() {
    std::unique_lock<std::mutex> lock(mutex_);
    pending_.clear();
    resetPending_ = true;
    wake_.notify_one();
    resetDone_.wait(lock, [this] { return !resetPending_; });
}

void RenderWorker::run() {
    for (;;) {
        RenderRequest request;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stop_ || resetPending_ || !pending_.empty(); });
            if (stop_) break;
            if (resetPending_) {
                instances_.clear();  // set down on the thread that used them
                resetPending_ = false;
                resetDone_.notify_all();
                continue;
            }
            request = std::move(pending_.begin()->second);
            pending_.erase(pending_.begin());
        }
        done_(render(request));
    }
    instances_.clear();  // the modules are set down on the thread that used them
}

RenderResult RenderWorker::render(const RenderRequest& request) {
    RenderResult result;
    result.slot = request.slot;
    result.generation = request.generation;
    result.factor = request.factor;
    result.frame = request.frame;
    try {
        auto& instance = instances_[request.slot];
        if (!instance || instance->module != request.module.get() || instance->app != request.app ||
            instance->source != request.source.get()) {
            instance.reset();  // the old one is set down before the new one is set up
            instance = std::make_unique<Instance>();
            instance->job = std::make_unique<session::RenderJob>(request.module, request.app);
            instance->module = request.module.get();
            instance->app = request.app;
            instance->source = request.source.get();
        }
        session::RenderJob& job = *instance->job;
        restoreValues(job.instance(), request.values);
        job.setTime(request.frame, request.framesPerSecond);
        job.setDownsample(request.factor);
        const StudioSource& source = *request.source;
        const refhost::PixelFormat format = job.pixelFormat();
        const A_long step = job.timeStep();
        const bool withSecond = source.hasSecond() && request.useSecond;
        refhost::World out;
        if (source.isSequence()) {
            refhost::Layer second = source.secondLayer(format, request.factor, step);
            out =
                job.render(source.primaryLayer(format, request.factor, step), withSecond ? &second : nullptr);
        } else {
            auto it = instance->stills.find(request.factor);
            if (it == instance->stills.end())
                it = instance->stills
                         .emplace(request.factor,
                                  std::make_pair(source.primaryLayer(format, request.factor, step),
                                                 source.secondLayer(format, request.factor, step)))
                         .first;
            out = job.render(it->second.first, withSecond ? &it->second.second : nullptr);
        }
        result.image = session::fromWorld(out, false);
        result.fullSize = result.image.size() * request.factor;
    } catch (const std::exception& e) {
        result.error = e.what();
        instances_.erase(request.slot);  // start the next render from a fresh instance
    }
    return result;
}

}  // namespace duovis::studio
