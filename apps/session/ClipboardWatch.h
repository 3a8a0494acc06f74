#pragma once
// The parameter clipboard file seen from outside the effect, as a host can see it: where the
// effect keeps it and whether a press changed it. Copy and Paste report nothing back through
// the host API, so this is how `project press` tells a copy that wrote nothing.

#include <QString>

#include <sys/types.h>
#include <ctime>

namespace duovis::session {

// The file the effect uses, by the effect's own rule for this process's environment.
QString parameterClipboardFile();

struct ClipboardSnapshot {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    // The same file, unchanged: a copy that replaced it changes the inode or the time.
    bool sameAs(const ClipboardSnapshot& other) const;
};

// The entry at `path` itself (a link is not followed).
ClipboardSnapshot snapshotClipboard(const QString& path);

}  // namespace duovis::session
