#pragma once
// --host, --plugin and --plugin-dir as the commands read them.

#include <string>

#include "Args.h"
#include "EffectInstance.h"

namespace duovis::cli {

refhost::HostApp hostFromArgs(const Args& args);
// The module file named by --plugin (default DuovisX) and --plugin-dir.
std::string modulePathFromArgs(const Args& args);

}  // namespace duovis::cli
