#include "media/SameFile.h"

#include <sys/stat.h>

#include <stdexcept>

namespace duovis {

std::optional<FileId> fileId(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileId{st.st_dev, st.st_ino};
}

std::optional<FileId> fileId(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return std::nullopt;
    return FileId{st.st_dev, st.st_ino};
}

InputFiles::InputFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) add(path);
}

void InputFiles::add(const std::string& path) {
    if (const auto id = fileId(path)) files_.emplace(std::make_pair(id->device, id->inode), path);
}

void InputFiles::refuseAsOutput(const std::string& output) const {
    const auto id = fileId(output);
    if (!id) return;
    const auto hit = files_.find({id->device, id->inode});
    if (hit != files_.end())
        throw std::runtime_error(output + ": is the input " + hit->second +
                                 "; writing it would destroy the input (choose another output)");
}

}  // namespace duovis
