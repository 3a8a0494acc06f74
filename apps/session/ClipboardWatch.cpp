#include "session/ClipboardWatch.h"

#include <QFile>
#include <QStandardPaths>

#include <sys/stat.h>
#include <cstdlib>

#include "core/params/ClipboardPath.h"

namespace duovis::session {

QString parameterClipboardFile() {
    return duovis::clipboardPath(std::getenv("ProgramData"),
                                 QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
}

bool ClipboardSnapshot::sameAs(const ClipboardSnapshot& o) const {
    if (exists != o.exists) return false;
    return !exists || (device == o.device && inode == o.inode && size == o.size &&
                       modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec);
}

ClipboardSnapshot snapshotClipboard(const QString& path) {
    ClipboardSnapshot s;
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return s;
    s.exists = true;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.modified = st.st_mtim;
    return s;
}

}  // namespace duovis::session
