#include "session/StatusArea.h"

#include <memory>
#include <stdexcept>

#include "EffectInstance.h"
#include "session/EffectCheck.h"
#include "session/ParamAssign.h"

namespace duovis::session {

refhost::DrawOutcome drawStatusArea(const std::string& modulePath, const Project* project) {
    const auto module = std::make_unique<refhost::Module>(modulePath);  // its errors name the file
    refhost::EffectInstance fx(*module, refhost::HostApp::Premiere);
    // Set-up looks at no pixels; a one-pixel layer stands in for the clip.
    fx.setInput(refhost::Layer::still(refhost::World(1, 1, fx.pixelFormat())));
    checkEffect(fx.setUp(), "set-up");
    // Set down however the drawing ends, as a host closes the instance.
    struct SetDown {
        refhost::EffectInstance& fx;
        ~SetDown() {
            fx.sequenceSetdown();
            fx.globalSetdown();
        }
    } setDown{fx};
    if (project != nullptr) applyProject(*project, fx);
    return drawStatusArea(fx);
}

refhost::DrawOutcome drawStatusArea(refhost::EffectInstance& fx) {
    const int position = resolveParam(fx.params(), "GLOBAL_DISPLAY_SETTINGS");
    const PF_ParamDef& def = fx.params().at(position);
    if ((def.ui_flags & PF_PUI_CONTROL) == 0 || def.ui_width <= 0 || def.ui_height <= 0)
        throw std::runtime_error("the effect registered no custom area for \"Global Display Settings\"");
    refhost::DrawRequest request;
    request.index = position;
    request.frame = PF_Rect{0, 0, def.ui_width, def.ui_height};
    refhost::DrawOutcome drawn = refhost::drawEvent(fx, request);
    checkEffect(drawn.err, "the draw event");
    if ((drawn.outFlags & PF_EO_HANDLED_EVENT) == 0)
        throw std::runtime_error("the effect left the draw event unhandled");
    return drawn;
}

std::string drawnText(const refhost::DrawOutcome& drawn) {
    std::string joined;
    for (const refhost::DrawnText& t : drawn.texts)
        joined += (joined.empty() ? "" : "; ") + t.text.toStdString();
    return joined;
}

}  // namespace duovis::session
