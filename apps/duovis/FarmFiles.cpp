#include "FarmFiles.h"

namespace duovis::cli {

FarmFiles farmFilesFor(const std::string& output) {
    const std::size_t slash = output.rfind('/');
    FarmFiles files;
    files.folder = output.substr(0, slash == std::string::npos ? 0 : slash) + "/.duovis-farm";
    // Pattern fields and shell or Slurm specials would be read as more than a name.
    for (const char c : output.substr(slash == std::string::npos ? 0 : slash + 1)) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '.' || c == '-' || c == '_';
        files.name += plain ? c : '_';
    }
    return files;
}

}  // namespace duovis::cli
