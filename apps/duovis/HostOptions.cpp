#include "HostOptions.h"

#include <stdexcept>

#include "PluginLocator.h"

namespace duovis::cli {

refhost::HostApp hostFromArgs(const Args& args) {
    const std::string host = args.value("--host").value_or("ae");
    if (host == "ae") return refhost::HostApp::AfterEffects;
    if (host == "premiere") return refhost::HostApp::Premiere;
    throw std::runtime_error("--host: '" + host + "' is not one of ae, premiere");
}

std::string modulePathFromArgs(const Args& args) {
    return locatePlugin(args.value("--plugin").value_or("DuovisX"), args.value("--plugin-dir"));
}

}  // namespace duovis::cli
