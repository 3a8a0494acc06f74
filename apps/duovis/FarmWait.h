#pragma once
// `duovis farm render --wait`: waits for the submitted jobs and names what failed.

#include <optional>
#include <string>
#include <vector>

#include "FarmFiles.h"
#include "FarmPlan.h"

namespace duovis::cli {

struct SubmittedFarm {
    FarmFiles files;
    std::optional<std::string> arrayJob;  // the tasks, one per chunk
    std::vector<FarmChunk> chunks;
    std::optional<std::string> videoJob;  // the encoding that runs after them
};

// Returns once every job is over; throws std::runtime_error naming the first failed chunk,
// its frames and its log (the video job is cancelled then), or the failed video job's log.
void waitForFarm(const SubmittedFarm& farm);

}  // namespace duovis::cli
