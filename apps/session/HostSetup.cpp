#include "session/HostSetup.h"

#include <cstdlib>
#include <stdexcept>

#include "session/Numbers.h"

namespace duovis::session {

namespace {

struct NamedHost {
    const char* name;
    refhost::HostApp app;
};

constexpr NamedHost kHosts[] = {{"ae", refhost::HostApp::AfterEffects},
                                {"premiere", refhost::HostApp::Premiere}};

}  // namespace

std::optional<refhost::HostApp> hostAppNamed(std::string_view name) {
    for (const NamedHost& host : kHosts)
        if (name == host.name) return host.app;
    return std::nullopt;
}

const char* hostName(refhost::HostApp app) {
    for (const NamedHost& host : kHosts)
        if (app == host.app) return host.name;
    return kHosts[0].name;
}

refhost::HostApp hostAppFrom(const std::string& name, const std::string& what) {
    if (const auto app = hostAppNamed(name)) return *app;
    std::string names;
    for (const NamedHost& host : kHosts) names += (names.empty() ? "" : ", ") + std::string(host.name);
    throw std::runtime_error(what + ": '" + name + "' is not one of " + names);
}

int workerThreads(const std::optional<std::string>& given, const std::string& what) {
    // More threads than any machine has cores would only exhaust the process.
    constexpr int kMostThreads = 1024;
    std::string source = what;
    std::optional<std::string> text = given;
    if (!text) {
        const char* env = std::getenv("DUOVIS_THREADS");
        if (env == nullptr) return 0;
        text = env;
        source = "DUOVIS_THREADS";
    }
    const int n = parseInt(*text, source);
    if (n < 1 || n > kMostThreads)
        throw std::runtime_error(source + ": '" + *text + "' is not a thread count from 1 to " +
                                 std::to_string(kMostThreads));
    return n;
}

}  // namespace duovis::session
