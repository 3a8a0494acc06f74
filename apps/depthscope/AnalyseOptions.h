// The words of `depthscope analyse`: one pair of files, or a shot (numbered sequences or
// videos, a frame list, comfort limits).
#pragma once

#include "ShotReport.h"

#include <optional>
#include <string>
#include <vector>

namespace depthscope {

struct AnalyseOptions {
    std::vector<std::string> files;  // LEFT and RIGHT, or a packed video alone
    bool json = false;
    std::string report;
    std::optional<std::string> megapixels;
    std::optional<std::string> frames;
    std::optional<std::string> limits;
};

// Throws std::runtime_error, one line naming the option, for a word it does not know or an
// option without its value.
AnalyseOptions parseAnalyseOptions(const std::vector<std::string>& args);

// A shot rather than a pair: a frame list or limits asked for, or a left eye that is a
// pattern or a video.
bool isShot(const AnalyseOptions& o);

}  // namespace depthscope
