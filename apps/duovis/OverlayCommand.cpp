// `duovis overlay`: the status line the effect draws into its panel in the editing host.
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>

#include "Args.h"
#include "Commands.h"
#include "HostOptions.h"
#include "media/AtomicSave.h"
#include "media/SameFile.h"
#include "session/Project.h"
#include "session/StatusArea.h"

namespace duovis::cli {

using namespace session;

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

    // A project brings its values and its saved global display.
    std::optional<Project> project;
    InputFiles inputs;
    if (const auto file = args.value("--project")) {
        project = loadProject(QString::fromStdString(*file));
        inputs = InputFiles(layerFiles(*project));
        inputs.add(*file);
    }
    inputs.refuseAsOutput(*output);
    const refhost::DrawOutcome drawn =
        drawStatusArea(modulePathFromArgs(args), project ? &*project : nullptr);

    saveImageAtomically(drawn.area, QString::fromStdString(*output));
    std::printf("wrote %s (%d x %d): %s\n", output->c_str(), drawn.area.width(), drawn.area.height(),
                drawnText(drawn).c_str());
    return 0;
}

}  // namespace duovis::cli
