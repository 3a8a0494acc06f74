#include "FarmWait.h"

#include <QFile>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "Slurm.h"

namespace duovis::cli {

namespace {

void waitWhileQueued(const std::string& job) {
    while (jobsQueued({job})) std::this_thread::sleep_for(std::chrono::milliseconds(500));
}

// The exit status a job's script kept, or nothing where it never got that far (killed,
// out of time, never started).
std::optional<int> keptStatus(const FarmFiles& files, const std::string& name) {
    QFile file(QFile::decodeName((files.statuses() + "/" + name).c_str()));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    bool ok = false;
    const int status = file.readAll().trimmed().toInt(&ok);
    return ok ? std::optional<int>(status) : std::nullopt;
}

std::string howItEnded(const std::optional<int>& status) {
    return status ? "failed (exit " + std::to_string(*status) + ")"
                  : "did not finish (killed, out of time or never started)";
}

void checkChunks(const SubmittedFarm& farm) {
    int failed = 0;
    std::string first;
    for (std::size_t k = 0; k < farm.chunks.size(); ++k) {
        const std::optional<int> status = keptStatus(farm.files, *farm.arrayJob + "." + std::to_string(k));
        if (status == 0) continue;
        if (failed++ > 0) continue;
        const FarmChunk& chunk = farm.chunks[k];
        first = "chunk " + std::to_string(chunk.number) + " (frames " + runsText(chunk.runs) + ") " +
                howItEnded(status) + "; see " + farm.files.taskLog(*farm.arrayJob, static_cast<int>(k));
    }
    if (failed == 0) return;
    if (farm.videoJob) cancelJob(*farm.videoJob);
    if (failed > 1) first += " (and " + std::to_string(failed - 1) + " more chunks failed)";
    throw std::runtime_error(first);
}

}  // namespace

void waitForFarm(const SubmittedFarm& farm) {
    if (farm.arrayJob) {
        waitWhileQueued(*farm.arrayJob);
        checkChunks(farm);
    }
    if (!farm.videoJob) return;
    waitWhileQueued(*farm.videoJob);
    const std::optional<int> status = keptStatus(farm.files, *farm.videoJob);
    if (status != 0)
        throw std::runtime_error("the video job " + howItEnded(status) + "; see " +
                                 farm.files.assembleLog(*farm.videoJob));
}

}  // namespace duovis::cli
