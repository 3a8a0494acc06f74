#include "AtomicSave.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

namespace duovis::cli {

namespace {

[[noreturn]] void fail(const std::string& where, const char* what, int error) {
    throw std::runtime_error(where + ": " + what + " (" + std::strerror(error) + ")");
}

// The folder part of a path as bytes, so names that are not UTF-8 keep their bytes.
std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A temporary file beside the target, removed unless it was renamed into place. Its name is
// short whatever the target's is, so a target name at the length limit still works.
class TempFile {
  public:
    TempFile(const std::string& folder, mode_t mode) {
        // O_EXCL with names of our own (not mkstemp) so the mode follows the umask.
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            path_ = folder + "/.duovis-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
            fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
            if (fd_ < 0 && errno != EEXIST) break;
        }
        if (fd_ < 0) path_.clear();
    }
    ~TempFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    bool opened() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

    // 0 on success, else the errno of the first failure.
    int write(const char* data, std::size_t size) {
        while (size > 0) {
            const ssize_t n = ::write(fd_, data, size);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return errno;
            if (n == 0) return ENOSPC;
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return 0;
    }
    int syncAndClose() {
        if (::fsync(fd_) != 0) return errno;
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) != 0 ? errno : 0;
    }
    void renamedInto() { path_.clear(); }

  private:
    std::string path_;
    int fd_ = -1;
};

// A replaced file keeps its permissions; a new one gets what the umask allows.
mode_t modeFor(const struct stat* existing) {
    return existing != nullptr ? (existing->st_mode & 07777) : 0666;
}

// Moves the finished temporary file to the target without replacing anything there. Where the
// file system has no such rename, a hard link does the same; either refuses an existing target.
int moveIntoPlaceKeepingExisting(const std::string& temp, const std::string& target) {
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    if (::link(temp.c_str(), target.c_str()) != 0) return errno;
    ::unlink(temp.c_str());
    return 0;
}

}  // namespace

void saveBytesAtomically(const QByteArray& bytes, const QString& path, SaveMode mode) {
    const std::string target = QFile::encodeName(path).toStdString();
    const std::string folder = folderOf(target);
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw std::runtime_error(target + ": output directory does not exist");
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) throw std::runtime_error(target + ": is a directory");
    if (exists && mode == SaveMode::KeepExisting) throw std::runtime_error(target + ": already exists");

    TempFile temp(folder, modeFor(exists && S_ISREG(st.st_mode) ? &st : nullptr));
    if (!temp.opened()) fail(target, "cannot write", errno);
    if (const int err = temp.write(bytes.constData(), static_cast<std::size_t>(bytes.size())))
        fail(target, "cannot write", err);
    if (const int err = temp.syncAndClose()) fail(target, "cannot write", err);
    if (mode == SaveMode::KeepExisting) {
        if (const int err = moveIntoPlaceKeepingExisting(temp.path(), target)) {
            if (err == EEXIST) throw std::runtime_error(target + ": already exists");
            fail(target, "cannot write", err);
        }
    } else if (::rename(temp.path().c_str(), target.c_str()) != 0) {
        fail(target, "cannot replace", errno);
    }
    temp.renamedInto();
    // The rename is durable once the folder is on disk too. Some file systems cannot sync a
    // folder; the new file is complete and in place by now, so that is no failure.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
}

void saveImageAtomically(const QImage& image, const QString& path, SaveMode mode) {
    const QFileInfo info(path);
    const std::string where = QFile::encodeName(path).toStdString();
    if (!info.absoluteDir().exists()) throw std::runtime_error(where + ": output directory does not exist");
    const QByteArray format = info.suffix().toLower().toLatin1();
    if (format.isEmpty() || !QImageWriter::supportedImageFormats().contains(format))
        throw std::runtime_error(where + ": unsupported output format '" + info.suffix().toStdString() + "'");
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image))
        throw std::runtime_error(where + ": cannot encode image (" + writer.errorString().toStdString() +
                                 ")");
    saveBytesAtomically(encoded, path, mode);
}

}  // namespace duovis::cli
