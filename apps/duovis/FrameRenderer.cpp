#include "FrameRenderer.h"

#include <cstdio>
#include <stdexcept>
#include <utility>

#include "core/params/ChoiceCodes.h"
#include "core/params/ParamId.h"
#include "session/ImageInput.h"

namespace duovis::cli {

using session::InputLayer;
using session::SecondRequests;

namespace {

refhost::World taken(SourceFrame& src, std::size_t view, bool lastUse) {
    if (lastUse) return std::move(src.views[view]);
    return refhost::World(src.views[view]);
}

bool isStill(const InputLayer& layer) {
    return !layer.isPattern() && !layer.isVideo();
}

}  // namespace

FrameRenderer::FrameRenderer(session::RenderJob& job, GpuRender* gpu, const FrameSources& sources)
    : job_(job), gpu_(gpu), sources_(sources), format_(job.pixelFormat()) {
    const InputLayer* second = sources_.second;
    // A still second layer is read once and lent to every frame's render as it is.
    if (second && isStill(*second))
        secondStill_ = refhost::Layer::still(session::readWorld(second->name(), format_, sources_.maxPixels));
    // The decoder thread owns the primary's reader; other times and the second layer are read
    // here, inside the effect's requests, each through its own reader.
    primaryOther_ = session::otherTimesReader(*sources_.primary, sources_.maxPixels);
    if (second) secondFrames_ = second->reader(sources_.maxPixels);
}

std::vector<refhost::World> FrameRenderer::render(SourceFrame& src) {
    job_.setTime(src.frame, sources_.rate);
    std::vector<refhost::World> views;  // a braced list would copy the frames
    if (!sources_.bothEyes) {
        views.push_back(renderOnce(src, true));
    } else {
        // The corrected eyes: the effect's Left and Right displays of the same frame.
        const A_long chosen = job_.params().at(DISPLAY_TYPE).u.pd.value;
        for (const DisplayCode eye : {DISPLAY_LEFT, DISPLAY_RIGHT}) {
            job_.choose(DISPLAY_TYPE, displayTypeValue(eye));
            views.push_back(renderOnce(src, eye == DISPLAY_RIGHT));
        }
        job_.choose(DISPLAY_TYPE, chosen);
    }
    job_.releaseFrames();
    return views;
}

refhost::World FrameRenderer::renderOnce(SourceFrame& src, bool lastUse) {
    refhost::Layer primary = primaryLayer(src, lastUse);
    const auto requests = std::make_shared<SecondRequests>();
    std::optional<refhost::Layer> second = secondLayer(src, lastUse, requests);
    refhost::Layer* secondPtr = second ? &*second : secondStill_ ? &*secondStill_ : nullptr;
    refhost::World out;
    try {
        out = gpu_ ? gpu_->render(std::move(primary), secondPtr, src.frame, sources_.rate)
                   : job_.render(std::move(primary), secondPtr);
    } catch (const std::exception&) {
        // A frame the effect could not have says more than the effect's error code.
        reportSecondRequests(*requests);
        throw;
    }
    reportSecondRequests(*requests);
    if (sources_.twoViews && !requests->failure.empty()) throw std::runtime_error(requests->failure);
    if (out.empty()) throw std::runtime_error("the effect produced an empty frame");
    return out;
}

refhost::Layer FrameRenderer::primaryLayer(SourceFrame& src, bool lastUse) {
    // A still primary is the decoded frame at every time; it is read once, by the decoder.
    if (isStill(*sources_.primary)) return refhost::Layer::still(taken(src, 0, lastUse));
    refhost::Layer primary =
        session::layerFor(*sources_.primary, {}, format_, job_.timeStep(), primaryOther_, 0, nullptr);
    primary.setFrame(src.frame * job_.timeStep(), taken(src, 0, lastUse));
    return primary;
}

std::optional<refhost::Layer> FrameRenderer::secondLayer(SourceFrame& src, bool lastUse,
                                                         const std::shared_ptr<SecondRequests>& requests) {
    if (sources_.second && !secondStill_)
        return session::layerFor(*sources_.second, {}, format_, job_.timeStep(), secondFrames_, 0, requests);
    if (!sources_.twoViews) return std::nullopt;
    refhost::Layer second =
        session::layerFor(*sources_.primary, {}, format_, job_.timeStep(), primaryOther_, 1, requests);
    if (src.views.size() == 2) second.setFrame(src.frame * job_.timeStep(), taken(src, 1, lastUse));
    return second;
}

void FrameRenderer::reportSecondRequests(const SecondRequests& requests) const {
    if (sources_.second == nullptr) return;
    if (!requests.failure.empty()) throw std::runtime_error(requests.failure);
    for (const std::string& file : requests.missing) {
        if (!sources_.missingBlack)
            throw std::runtime_error(file + ": frame of the second layer " + sources_.second->name() +
                                     " missing (--missing black renders that eye empty)");
        std::fprintf(stderr, "duovis: warning: %s: frame missing, the second eye is left empty\n",
                     file.c_str());
    }
}

}  // namespace duovis::cli
