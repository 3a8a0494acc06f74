#pragma once
// The one way a file reaches its name (stills, videos, projects, reports, screenshots): written
// under a hidden temporary name beside the target, created exclusively so a link planted there
// is never followed, then moved into place whole. A replaced file keeps its permissions; under
// KeepExisting the move itself refuses a file that appeared meanwhile. Errors name the target
// and the system's reason ("No space left on device").

#include <cstddef>
#include <string>

namespace duovis {

// Whether an existing file at the path is replaced or the save refuses. The refusal is made by
// the file system at the moment of the rename, so two commands creating one name cannot both win.
enum class SaveMode { Replace, KeepExisting };

class OutputFile {
  public:
    // Throws std::runtime_error naming `target`: no such folder, a folder at the name, a file
    // there under KeepExisting, or a temporary file that cannot be made.
    OutputFile(std::string target, SaveMode mode);
    ~OutputFile();  // removes the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // The temporary file's descriptor, for writers that write themselves.
    int fd() const { return fd_; }
    const std::string& target() const { return target_; }

    void write(const char* data, std::size_t size);
    // Flushes to disk, closes and moves the file into place.
    void commit();

  private:
    std::string target_, folder_, temp_;
    SaveMode mode_;
    int fd_ = -1;
    int cleanupSlot_ = -1;
};

// Whether anything stands at the name, a dangling link included: a rename would replace it.
bool nameTaken(const std::string& path);

// Throws "TARGET: WHAT (reason)" for the errno `error`.
[[noreturn]] void failWriting(const std::string& target, const char* what, int error);

}  // namespace duovis
