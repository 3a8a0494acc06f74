#include "HostOptions.h"

#include <stdexcept>

#include "session/HostSetup.h"
#include "session/PluginLocator.h"

namespace duovis::cli {

refhost::HostApp hostFromArgs(const Args& args) {
    return session::hostAppFrom(
        args.value("--host").value_or(session::hostName(refhost::HostApp::AfterEffects)), "--host");
}

Engine engineFromArgs(const Args& args, refhost::HostApp app) {
    const std::string engine = args.value("--engine").value_or("cpu");
    if (engine == "cpu") return Engine::Cpu;
    if (engine != "opencl" && engine != "cuda")
        throw std::runtime_error("--engine: '" + engine + "' is not one of cpu, opencl, cuda");
    if (app != refhost::HostApp::Premiere)
        throw std::runtime_error("--engine " + engine +
                                 " needs --host premiere: only the editing host renders on the GPU");
    return engine == "opencl" ? Engine::OpenCl : Engine::Cuda;
}

std::string modulePathFromArgs(const Args& args) {
    return session::locatePlugin(args.value("--plugin").value_or(session::kDefaultPlugin),
                                 args.value("--plugin-dir"));
}

int hostThreadsFromArgs(const Args& args) {
    return session::workerThreads(args.value("--threads"), "--threads");
}

}  // namespace duovis::cli
