#include "session/FileLock.h"

#include <QFile>

#include "media/SameFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>

namespace duovis::session {

namespace {

constexpr auto kPatience = std::chrono::seconds(30);
constexpr auto kPoll = std::chrono::milliseconds(10);

}  // namespace

FileLock::FileLock(const QString& path) {
    const std::string name = QFile::encodeName(path).toStdString();
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    for (;;) {
        fd_ = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) throw std::runtime_error(name + ": cannot read (" + std::strerror(errno) + ")");
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
            // The holder before us replaced the file by renaming; our lock is then on the old
            // file, and the lock that counts is on the one now at the path.
            const auto held = fileId(fd_);
            if (held && held == fileId(name)) return;
        } else if (errno != EWOULDBLOCK && errno != EINTR) {
            const int error = errno;
            ::close(fd_);
            throw std::runtime_error(name + ": cannot lock (" + std::strerror(error) + ")");
        }
        ::close(fd_);
        fd_ = -1;
        if (std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error(name + ": another duovis command has held it for " +
                                     std::to_string(kPatience.count()) + " s; try again");
        std::this_thread::sleep_for(kPoll);
    }
}

FileLock::~FileLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace duovis::session
