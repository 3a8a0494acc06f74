#pragma once
// --host, --engine, --plugin, --plugin-dir and --threads as the commands read them.

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

// --threads as session::workerThreads reads it.
int hostThreadsFromArgs(const Args& args);
#define DUOVIS_THREADS_HELP                                                                     \
    "  --threads N       the host's worker threads (default: every core, or DUOVIS_THREADS);\n" \
    "                    1 renders in one thread\n"

}  // namespace duovis::cli
