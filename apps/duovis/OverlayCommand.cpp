// `duovis overlay`: the status line the effect draws into its panel in the editing host.
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "Args.h"
#include "AtomicSave.h"
#include "Commands.h"
#include "DrawbotHost.h"
#include "EffectCheck.h"
#include "EffectInstance.h"
#include "HostOptions.h"
#include "ParamAssign.h"
#include "Project.h"

namespace duovis::cli {

namespace {

// The instance as the editing host has it when it first paints the effect panel. Whatever
// the command line brings into the instance's state belongs here, after set-up.
void setUpForPanel(refhost::EffectInstance& fx, const Args& args) {
    // Set-up looks at no pixels; a one-pixel layer stands in for the clip.
    fx.setInput(refhost::Layer::still(refhost::World(1, 1, fx.pixelFormat())));
    checkEffect(fx.setUp(), "set-up");
    // A project brings its values and its saved global display.
    if (const auto file = args.value("--project"))
        applyProject(loadProject(QString::fromStdString(*file)), fx);
}

}  // namespace

int overlayCommand(const std::vector<std::string>& words) {
    OptionSpec spec;
    spec.flags = {"--help"};
    spec.valued = {"--output", "--plugin", "--plugin-dir", "--project"};
    spec.aliases = {{"-o", "--output"}, {"-h", "--help"}};
    const Args args(words, spec);
    if (args.has("--help")) {
        std::fputs(
            "usage: duovis overlay -o OUT.png [--project FILE] [--plugin DuovisX|Duovis] [--plugin-dir DIR]\n"
            "Draws the custom area of \"Global Display Settings\" as the editing host's effect panel\n"
            "shows it (the global display status line) and writes that area to OUT.png.\n",
            stdout);
        return 0;
    }
    if (!args.positional().empty())
        throw std::runtime_error("overlay takes no file: '" + args.positional()[0] + "'");
    const std::optional<std::string> output = args.value("--output");
    if (!output || output->empty()) throw std::runtime_error("overlay needs -o OUT.png");

    const std::string modulePath = modulePathFromArgs(args);
    const auto module = std::make_unique<refhost::Module>(modulePath);  // its errors name the file
    refhost::EffectInstance fx(*module, refhost::HostApp::Premiere);
    setUpForPanel(fx, args);

    const int position = resolveParam(fx.params(), "GLOBAL_DISPLAY_SETTINGS");
    const PF_ParamDef& def = fx.params().at(position);
    if ((def.ui_flags & PF_PUI_CONTROL) == 0 || def.ui_width <= 0 || def.ui_height <= 0)
        throw std::runtime_error("the effect registered no custom area for \"Global Display Settings\"");
    refhost::DrawRequest request;
    request.index = position;
    request.frame = PF_Rect{0, 0, def.ui_width, def.ui_height};
    const refhost::DrawOutcome drawn = refhost::drawEvent(fx, request);
    fx.sequenceSetdown();
    fx.globalSetdown();
    checkEffect(drawn.err, "the draw event");
    if ((drawn.outFlags & PF_EO_HANDLED_EVENT) == 0)
        throw std::runtime_error("the effect left the draw event unhandled");

    saveImageAtomically(drawn.area, QString::fromStdString(*output));
    std::printf("wrote %s (%d x %d)", output->c_str(), drawn.area.width(), drawn.area.height());
    for (const refhost::DrawnText& t : drawn.texts) std::printf(": %s", t.text.toUtf8().constData());
    std::printf("\n");
    return 0;
}

}  // namespace duovis::cli
