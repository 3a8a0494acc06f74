#pragma once
// --host, --engine, --plugin and --plugin-dir as the commands read them.

#include <string>

#include "Args.h"
#include "EffectInstance.h"

namespace duovis::cli {

refhost::HostApp hostFromArgs(const Args& args);

// Where the editing host runs the effect: its CPU render, or the GPU filter on a device.
enum class Engine { Cpu, OpenCl, Cuda };
// --engine (default cpu); a GPU engine needs the editing host, which alone has GPU filters.
Engine engineFromArgs(const Args& args, refhost::HostApp app);
// The module file named by --plugin (default DuovisX) and --plugin-dir.
std::string modulePathFromArgs(const Args& args);

}  // namespace duovis::cli
