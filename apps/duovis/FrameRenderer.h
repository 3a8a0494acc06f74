#pragma once
// One source frame through the effect, as `duovis render` hands it over: the primary's frame
// with the second layer (a still read once, a sequence or video read as the effect asks, or a
// two-view primary's right view), rendered once, or as the effect's Left and Right displays
// where the output keeps both eyes.

#include <QtGlobal>
#include <memory>
#include <optional>
#include <vector>

#include "GpuRender.h"
#include "RenderPipeline.h"
#include "session/RenderInputs.h"
#include "session/RenderJob.h"

namespace duovis::cli {

struct FrameSources {
    const session::InputLayer* primary = nullptr;
    const session::InputLayer* second = nullptr;  // null: no second layer chosen
    bool twoViews = false;                        // the primary's right view is the second layer
    bool missingBlack = false;  // a second-layer frame that is not there leaves that eye empty
    qint64 maxPixels = 0;
    double rate = 24;       // the timeline's frames a second
    bool bothEyes = false;  // each frame as the left and the right eye
};

class FrameRenderer {
  public:
    // Reads a still second layer now, so that a file it cannot read ends the command early.
    FrameRenderer(session::RenderJob& job, GpuRender* gpu, const FrameSources& sources);

    std::vector<refhost::World> render(SourceFrame& src);

  private:
    // `lastUse`: the decoded worlds go into the layers rather than being copied there.
    refhost::World renderOnce(SourceFrame& src, bool lastUse);
    refhost::Layer primaryLayer(SourceFrame& src, bool lastUse);
    std::optional<refhost::Layer> secondLayer(SourceFrame& src, bool lastUse,
                                              const std::shared_ptr<session::SecondRequests>& requests);
    // After each frame: what the effect asked of the second layer and did not get.
    void reportSecondRequests(const session::SecondRequests& requests) const;

    session::RenderJob& job_;
    GpuRender* gpu_;
    FrameSources sources_;
    refhost::PixelFormat format_;
    std::optional<refhost::Layer> secondStill_;
    std::shared_ptr<media::FrameReader> primaryOther_;
    std::shared_ptr<media::FrameReader> secondFrames_;
};

}  // namespace duovis::cli
