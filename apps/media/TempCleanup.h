#pragma once
// Temporary files that SIGINT, SIGTERM or SIGHUP must not leave behind. The handler removes
// them with unlink(2) only, then lets the signal take its default course, so the process still
// ends by that signal. Signals the process ignores (nohup) or handles itself are left alone.

#include <string>

namespace duovis {

// Registers the path before the file is made, so a signal at any moment finds it; returns a
// slot for forgetTempFile, or -1 when every slot is taken (the file is then only removed by
// its owner).
int rememberTempFile(const std::string& path);

// Once the file is renamed or removed; -1 is ignored.
void forgetTempFile(int slot);

}  // namespace duovis
