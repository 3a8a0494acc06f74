#pragma once
// The parallax tool processes the effect starts from this process. The effect starts the tool
// detached, so it would belong to no one; once this process adopts orphans, the tool stays its
// child and can be found, stopped and waited for.

#include <sys/types.h>

#include <vector>

namespace duovis::studio {

// Makes this process the parent of what its children leave behind (Linux; elsewhere nothing).
void adoptOrphans();
// This process's children started as the tool is ("PROGRAM Plugin").
std::vector<pid_t> toolChildren();
// Gives each `graceMs` to end by itself, then stops it (TERM, then KILL after a moment), and
// waits for it, so none stays a zombie.
void stopTools(const std::vector<pid_t>& pids, int graceMs);

}  // namespace duovis::studio
