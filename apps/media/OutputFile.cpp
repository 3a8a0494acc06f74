#include "media/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "media/TempCleanup.h"

namespace duovis {

namespace {

// The folder part of a path as bytes, so names that are not UTF-8 keep their bytes.
std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
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

bool nameTaken(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

void failWriting(const std::string& target, const char* what, int error) {
    throw std::runtime_error(target + ": " + what + " (" + std::strerror(error) + ")");
}

OutputFile::OutputFile(std::string target, SaveMode mode)
    : target_(std::move(target)), folder_(folderOf(target_)), mode_(mode) {
    struct stat st {};
    if (::stat(folder_.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw std::runtime_error(target_ + ": output directory does not exist");
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) throw std::runtime_error(target_ + ": is a directory");
    if (mode_ == SaveMode::KeepExisting && nameTaken(target_))
        throw std::runtime_error(target_ + ": already exists");
    const bool keepMode = exists && S_ISREG(st.st_mode);

    // Names of our own (not mkstemp) so a new file's mode follows the umask; O_EXCL and
    // O_NOFOLLOW so whatever stands at a name, link or file, is skipped rather than written.
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temp_ = folder_ + "/.duovis-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        cleanupSlot_ = rememberTempFile(temp_);
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ >= 0) break;
        const int err = errno;
        forgetTempFile(cleanupSlot_);
        cleanupSlot_ = -1;
        if (err != EEXIST) failWriting(target_, "cannot write", err);
    }
    if (fd_ < 0) failWriting(target_, "cannot write", EEXIST);
    // A replaced file keeps its permissions exactly, whatever the umask. File systems without
    // permissions refuse the change, and have none to keep.
    if (keepMode) (void)::fchmod(fd_, st.st_mode & 07777);
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!temp_.empty()) ::unlink(temp_.c_str());
    forgetTempFile(cleanupSlot_);
}

void OutputFile::write(const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) failWriting(target_, "cannot write", errno);
        if (n == 0) failWriting(target_, "cannot write", ENOSPC);
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

void OutputFile::commit() {
    if (::fsync(fd_) != 0) failWriting(target_, "cannot write", errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) failWriting(target_, "cannot write", errno);
    if (mode_ == SaveMode::KeepExisting) {
        if (const int err = moveIntoPlaceKeepingExisting(temp_, target_)) {
            if (err == EEXIST) throw std::runtime_error(target_ + ": already exists");
            failWriting(target_, "cannot write", err);
        }
    } else if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        failWriting(target_, "cannot replace", errno);
    }
    temp_.clear();
    forgetTempFile(cleanupSlot_);
    cleanupSlot_ = -1;
    // The rename is durable once the folder is on disk too. Some file systems cannot sync a
    // folder; the new file is complete and in place by now, so that is no failure.
    const int dir = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
}

}  // namespace duovis
