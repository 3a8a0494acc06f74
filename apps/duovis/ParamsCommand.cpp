#include <cstdio>
#include <stdexcept>

#include "Args.h"
#include "Commands.h"
#include "HostOptions.h"
#include "session/ParamDescribe.h"
#include "session/RenderJob.h"

namespace duovis::cli {

int paramsCommand(const std::vector<std::string>& words) {
    OptionSpec spec;
    spec.flags = {"--help", "--json"};
    spec.valued = {"--host", "--plugin", "--plugin-dir"};
    spec.aliases = {{"-h", "--help"}};
    const Args args(words, spec);
    if (args.has("--help")) {
        std::fputs(
            "usage: duovis params [--host ae|premiere] [--plugin DuovisX|Duovis] [--plugin-dir DIR] "
            "[--json]\n"
            "Lists the parameters as the host registered them: position, host id, kind, name,\n"
            "valid and slider range, precision, default, choices and flags.\n",
            stdout);
        return 0;
    }
    if (!args.positional().empty())
        throw std::runtime_error("params takes no file: '" + args.positional()[0] + "'");
    session::RenderJob job(modulePathFromArgs(args), hostFromArgs(args));
    const std::string text =
        args.has("--json") ? session::describeJson(job.params()) : session::describeText(job.params());
    std::fputs(text.c_str(), stdout);
    return 0;
}

}  // namespace duovis::cli
