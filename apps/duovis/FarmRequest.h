#pragma once
// What `duovis farm render` was asked to do: the farm's own options, and the render's words,
// which each task runs with its own --frames and output.

#include <optional>
#include <string>
#include <vector>

namespace duovis::cli {

extern const char* const kFarmHelp;

struct FarmRequest {
    bool help = false;
    std::vector<std::string> renderWords;  // without -o, --frame(s) and the farm's options
    std::string output;
    std::optional<std::string> frames;  // as typed, for the render to read
    int chunk = 0;
    std::optional<std::string> partition;
    std::optional<std::string> account;
    std::optional<std::string> time;
    bool wait = false;
    bool dryRun = false;
    bool force = false;
};

// Throws std::runtime_error naming the option at fault (an unknown scheduler, a chunk that
// is not a whole number of at least 1, no -o or no --chunk).
FarmRequest parseFarmRequest(const std::vector<std::string>& words);

// The words a render of `request` takes, with `frames` and `output`.
std::vector<std::string> renderWordsFor(const FarmRequest& request, const std::string& frames,
                                        const std::string& output);

}  // namespace duovis::cli
