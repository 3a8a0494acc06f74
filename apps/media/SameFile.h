#pragma once
// The one rule for an output that is one of the command's inputs: compared as files (device
// and inode, links followed), so another spelling or a link to an input counts as that input.
// An output that is not there yet is none of them.

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace duovis {

// What the file system knows a file by, whatever name reaches it.
struct FileId {
    dev_t device;
    ino_t inode;
    bool operator==(const FileId& o) const { return device == o.device && inode == o.inode; }
};
// Null when nothing is there; links are followed.
std::optional<FileId> fileId(const std::string& path);
// The open file's.
std::optional<FileId> fileId(int fd);

class InputFiles {
  public:
    InputFiles() = default;
    explicit InputFiles(const std::vector<std::string>& paths);
    // An input that is not there (a name that only a later frame makes) is left out.
    void add(const std::string& path);
    // Throws "OUTPUT: is the input INPUT; writing it would destroy the input (choose another
    // output)" when `output` is one of them.
    void refuseAsOutput(const std::string& output) const;

  private:
    std::map<std::pair<dev_t, ino_t>, std::string> files_;
};

}  // namespace duovis
