#include "ParamClipboardFile.h"

#include "ClipboardLocation.h"
#include "core/params/ParamClipboard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <string>

namespace duovis {

namespace {

void applyPasted(HostParamAccess& params, ParamId id, double value) {
    if (const PF_ParamDef* slider = params.floatDef(id)) {
        const auto lo = static_cast<double>(slider->u.fs_d.valid_min),
                   hi = static_cast<double>(slider->u.fs_d.valid_max);
        params.setFloat(id, std::clamp(value, lo, hi));
    } else if (const PF_ParamDef* popup = params.def(id, PF_Param_POPUP)) {
        if (value >= 1 && value <= popup->u.pd.num_choices)
            params.setInteger(id, static_cast<int32_t>(value));
    } else if (params.def(id, PF_Param_CHECKBOX)) {
        if (value == 0 || value == 1) params.setInteger(id, static_cast<int32_t>(value));
    }
}

// Writes `text` to a new file in the target's folder and renames it over the target: a Paste
// elsewhere sees the old set or the new one, a failure leaves the old file and no stray temporary
// file, and a link planted at the target is replaced, never written through.
bool replaceWhole(const std::string& target, const std::string& text) {
    const std::string temp = target + ".new" + std::to_string(::getpid());
    ::unlink(temp.c_str());  // a stale one from a crashed process, never followed
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = true;
    for (std::size_t done = 0; ok && done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<std::size_t>(n);
    }
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

// Up to kMaxClipboardBytes of a regular file at `path` itself: no link is followed and nothing
// that could block (a pipe, a device) is read. The file is 68 short lines; anything far larger
// is not ours and is read only in part.
std::string readOwnFile(const std::string& path) {
    constexpr std::size_t kMaxClipboardBytes = 64 * 1024;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {};
    std::string bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        bytes.resize(kMaxClipboardBytes);
        std::size_t got = 0;
        for (;;) {
            const ssize_t n = ::read(fd, &bytes[got], bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
            if (got == bytes.size()) break;
        }
        bytes.resize(got);
    }
    ::close(fd);
    return bytes;
}

}  // namespace

void copyParamsToClipboard(const HostParamAccess& params) {
    const QString& path = parameterClipboardPath();
    if (path.isEmpty()) return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    const ParamValues v = params.values();
    const std::string text = formatClipboard(std::vector<double>(v.values.begin(), v.values.end()));
    (void)replaceWhole(QFile::encodeName(path).toStdString(), text);
}

void pasteParamsFromClipboard(HostParamAccess& params) {
    const QString& path = parameterClipboardPath();
    if (path.isEmpty()) return;
    const std::string bytes = readOwnFile(QFile::encodeName(path).toStdString());
    const auto& entries = clipboardEntries();
    const auto lines = clipboardLines(bytes, entries.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        applyPasted(params, entries[i], parseClipboardValue(entries[i], lines[i]));
}

}  // namespace duovis
