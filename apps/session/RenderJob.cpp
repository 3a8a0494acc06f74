#include "session/RenderJob.h"

#include <cmath>
#include <stdexcept>

#include "session/EffectCheck.h"
#include "session/HostKeys.h"
#include "session/ParamAssign.h"

namespace duovis::session {

RenderJob::RenderJob(const std::string& modulePath, refhost::HostApp app)
    : RenderJob(std::make_shared<refhost::Module>(modulePath), app, true) {  // its errors name the file
}

RenderJob::RenderJob(std::shared_ptr<refhost::Module> module, refhost::HostApp app, bool setsDownGlobal)
    : module_(std::move(module)), setsDownGlobal_(setsDownGlobal) {
    instance_ = std::make_unique<refhost::EffectInstance>(*module_, app);
    // A placeholder frame until the real one is known; set-up does not look at pixels.
    instance_->setInput(refhost::Layer::still(refhost::World(1, 1, instance_->pixelFormat())));
    checkEffect(instance_->setUp(), "set-up");
}

RenderJob::~RenderJob() {
    instance_->sequenceSetdown();
    if (setsDownGlobal_) instance_->globalSetdown();
}

void RenderJob::assign(const std::string& assignment) {
    changed(assignParam(instance_->params(), assignment));
}

void RenderJob::choose(int position, A_long value) {
    instance_->params().setPopup(position, value);
    changed(position);
}

void RenderJob::check(int position, bool on) {
    instance_->params().setCheckbox(position, on);
    changed(position);
}

void RenderJob::changed(int position) {
    if ((instance_->params().at(position).flags & PF_ParamFlag_SUPERVISE) != 0)
        checkEffect(instance_->userChangedParam(position), "the change of a parameter");
}

void RenderJob::assignStatic(const std::string& assignment) {
    // Without "ID=" the assignment's own refusal says what is wrong.
    const auto eq = assignment.find('=');
    if (eq != std::string::npos && eq > 0) {
        const int position = resolveParam(instance_->params(), assignment.substr(0, eq));
        for (const int p : keyedTogether(instance_->params(), position)) instance_->params().clearKeys(p);
    }
    assign(assignment);
}

void RenderJob::setLayerSize(int width, int height) {
    instance_->setSourceSize(width, height);
}

void RenderJob::setTime(int frame, double fps) {
    if (!(fps >= kLeastFps && fps <= kMostFps)) throw std::runtime_error("--fps must be from 0.001 to 1000");
    if (frame < 0) throw std::runtime_error("--frame must not be negative");
    refhost::HostTime& t = instance_->time();
    // Whole rates tick once a frame; others use a finer scale so 23.976 stays exact enough.
    const double whole = std::round(fps);
    if (std::fabs(fps - whole) < 1e-9) {
        t.timeScale = static_cast<A_u_long>(whole);
        t.timeStep = 1;
    } else {
        t.timeScale = static_cast<A_u_long>(std::lround(fps * 1000.0));
        t.timeStep = 1000;
    }
    if (static_cast<long long>(frame) * t.timeStep > 2000000000LL)
        throw std::runtime_error("--frame is too large");
    t.currentTime = frame * t.timeStep;
    t.totalTime = std::max(t.currentTime + t.timeStep, 240 * t.timeStep);
}

void RenderJob::setDownsample(int factor) {
    if (factor < 1 || factor > 16) throw std::runtime_error("--downsample must be 1 to 16");
    const PF_RationalScale scale{1, static_cast<A_u_long>(factor)};
    instance_->time().downsampleX = scale;
    instance_->time().downsampleY = scale;
}

int RenderJob::secondaryLayerPosition() const {
    for (int i = 1; i < instance_->params().count(); ++i)
        if (instance_->params().at(i).param_type == PF_Param_LAYER) return i;
    return -1;
}

refhost::World RenderJob::render(const refhost::World& primary, const refhost::World* secondary) {
    if (secondary == nullptr) return render(refhost::Layer::still(primary), nullptr);
    secondary_ = refhost::Layer::still(*secondary);
    return render(refhost::Layer::still(primary), &secondary_);
}

refhost::World RenderJob::render(refhost::Layer primary, refhost::Layer* secondary) {
    instance_->clearSourceSize();
    instance_->setInput(std::move(primary));
    const int layerPos = secondaryLayerPosition();
    if (layerPos > 0) instance_->chooseLayer(layerPos, secondary);
    const PF_Err err = instance_->renderFrame();
    // The caller's layer may not outlive this call.
    if (layerPos > 0) instance_->chooseLayer(layerPos, nullptr);
    checkEffect(err, "render");
    // The next frame set-up allocates its own output, so this one is the caller's.
    return std::move(instance_->output());
}

}  // namespace duovis::session
