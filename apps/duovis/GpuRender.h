#pragma once
// The render command's GPU engines, behind a small interface so that a duovis built without
// the editing host's GPU side still builds and says why it cannot.

#include <memory>

#include "HostOptions.h"
#include "Layer.h"
#include "session/RenderJob.h"

namespace duovis::cli {

class GpuRender {
  public:
    virtual ~GpuRender() = default;
    // Frame `frame` at `fps` frames a second; the layers hold frame n at n * the job's time step.
    virtual refhost::World render(refhost::Layer primary, refhost::Layer* secondary, int frame,
                                  double fps) = 0;
};

// The job's effect on the first device of `engine`; throws std::runtime_error with one line
// saying why when that engine is not available.
std::unique_ptr<GpuRender> makeGpuRender(session::RenderJob& job, Engine engine);

}  // namespace duovis::cli
