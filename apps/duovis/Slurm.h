#pragma once
// Slurm's commands as the farm uses them: sbatch to submit, squeue to wait, scancel to give up.

#include <string>
#include <vector>

namespace duovis::cli {

// Throws std::runtime_error saying Slurm is needed, and how to get it, where sbatch is not on
// the PATH.
void requireSlurm();

// Submits `script` with the options before it; returns the job's id. Throws with sbatch's
// own message where it refuses.
std::string submitJob(const std::vector<std::string>& options, const std::string& script);

// The sbatch command line, as printed for a dry run.
std::string sbatchCommand(const std::vector<std::string>& options, const std::string& script);

// Whether any of the jobs is still pending or running.
bool jobsQueued(const std::vector<std::string>& jobs);

void cancelJob(const std::string& job);

}  // namespace duovis::cli
