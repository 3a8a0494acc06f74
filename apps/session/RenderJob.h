#pragma once
// One effect module loaded and applied once, as a host applies it to a layer: set up,
// then frames rendered at chosen times with the primary and chosen secondary pictures.

#include <memory>
#include <string>

#include "EffectInstance.h"

namespace duovis::session {

class RenderJob {
  public:
    // Loads the module and runs global, parameter and sequence set-up; throws
    // std::runtime_error when any of them fails.
    RenderJob(const std::string& modulePath, refhost::HostApp app);  // sets the global state down too
    // For a host that applies the effect several times in one process: the instances share
    // the loaded module, and the global set-down, which ends the effect's process-wide state
    // (the global display), is the host's to send once the last instance is gone.
    RenderJob(std::shared_ptr<refhost::Module> module, refhost::HostApp app, bool setsDownGlobal = false);
    ~RenderJob();
    RenderJob(const RenderJob&) = delete;
    RenderJob& operator=(const RenderJob&) = delete;

    // The last instance of a shared module: its close sends the global set-down as well.
    void closeGlobalToo() { setsDownGlobal_ = true; }

    refhost::HostApp app() const { return instance_->app(); }
    const refhost::Module& module() const { return *module_; }
    refhost::PixelFormat pixelFormat() const { return instance_->pixelFormat(); }
    refhost::ParamStore& params() { return instance_->params(); }
    refhost::EffectInstance& instance() { return *instance_; }

    // The layer size the effect sees while parameters change (shift coupling measures the
    // eye in it); renders use their frames' own size again.
    void setLayerSize(int width, int height);

    // Sets one "NAME=VALUE" as a user would in the effect's controls: entries the effect
    // supervises are followed by the change notice, so linked entries update too.
    void assign(const std::string& assignment);
    // The same for a value that stands at every time: the entry's keys, and its twin's, go.
    void assignStatic(const std::string& assignment);
    // The same for a popup's 1-based value and a checkbox, at a position of the parameter table.
    void choose(int position, A_long value);
    void check(int position, bool on);

    // Frame `frame` at `fps` frames a second (fractional rates such as 23.976 allowed), from
    // kLeastFps to kMostFps.
    void setTime(int frame, double fps);
    // The host's clock keeps a rate to a thousandth of a frame a second, at most a thousand.
    static constexpr double kLeastFps = 0.001;
    static constexpr double kMostFps = 1000.0;

    // Renders as a preview at 1/factor of full resolution; the pictures given are already
    // that small.
    void setDownsample(int factor);

    // The host's worker threads for the effect (0: every core).
    void setWorkerThreads(int threads) { instance_->setWorkerThreads(threads); }

    A_long timeStep() { return instance_->time().timeStep; }

    // Renders one frame; `secondary` may be null (no layer chosen).
    refhost::World render(const refhost::World& primary, const refhost::World* secondary);
    // The same with layers that supply a frame per time, as sequences do.
    refhost::World render(refhost::Layer primary, refhost::Layer* secondary);
    // Lets go of the last render's layers (their pixels) while the output is written; the
    // effect still sees the same layer size.
    void releaseFrames() { instance_->releaseInput(); }

  private:
    int secondaryLayerPosition() const;
    // Tells the effect of a change to an entry it supervises.
    void changed(int position);

    std::shared_ptr<refhost::Module> module_;
    bool setsDownGlobal_ = true;
    std::unique_ptr<refhost::EffectInstance> instance_;
    refhost::Layer secondary_;
};

}  // namespace duovis::session
