#pragma once
// The host a front end plays and how it runs the effect: the host application by the names
// users and projects give it, and the worker threads of the effect's iterate service. Plain
// functions of values; each front end reads them from its own command line.

#include <optional>
#include <string>
#include <string_view>

#include "EffectInstance.h"

namespace duovis::session {

// "ae" and "premiere"; nullopt for any other name.
std::optional<refhost::HostApp> hostAppNamed(std::string_view name);
const char* hostName(refhost::HostApp app);

// `name` as given under `what` (an option); throws naming both and the hosts there are.
refhost::HostApp hostAppFrom(const std::string& name, const std::string& what);

// `given` (named `what` in errors), else DUOVIS_THREADS, else 0 (every core); 1 runs the
// effect's work in the calling thread.
int workerThreads(const std::optional<std::string>& given, const std::string& what);

}  // namespace duovis::session
