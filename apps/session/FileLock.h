#pragma once
// An advisory lock on an existing file, held from before it is read until after its new
// version has been renamed into place, so two commands changing one file take turns and
// neither loses the other's change.

#include <QString>

namespace duovis::session {

class FileLock {
  public:
    // Waits while another command holds the file, up to a limit; throws std::runtime_error
    // naming the file when it cannot be opened or stays locked.
    explicit FileLock(const QString& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

  private:
    int fd_ = -1;
};

}  // namespace duovis::session
