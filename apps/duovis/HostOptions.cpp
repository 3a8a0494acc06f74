#include "HostOptions.h"

#include <cstdlib>
#include <stdexcept>

#include "session/PluginLocator.h"

namespace duovis::cli {

refhost::HostApp hostFromArgs(const Args& args) {
    const std::string host = args.value("--host").value_or("ae");
    if (host == "ae") return refhost::HostApp::AfterEffects;
    if (host == "premiere") return refhost::HostApp::Premiere;
    throw std::runtime_error("--host: '" + host + "' is not one of ae, premiere");
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
    return session::locatePlugin(args.value("--plugin").value_or("DuovisX"), args.value("--plugin-dir"));
}

int hostThreadsFromArgs(const Args& args) {
    // More threads than any machine has cores would only exhaust the process.
    constexpr int kMostThreads = 1024;
    std::string what = "--threads";
    std::optional<std::string> text = args.value("--threads");
    if (!text) {
        const char* env = std::getenv("DUOVIS_THREADS");
        if (env == nullptr) return 0;
        text = env;
        what = "DUOVIS_THREADS";
    }
    const int n = session::parseInt(*text, what);
    if (n < 1 || n > kMostThreads)
        throw std::runtime_error(what + ": '" + *text + "' is not a thread count from 1 to " +
                                 std::to_string(kMostThreads));
    return n;
}

}  // namespace duovis::cli
