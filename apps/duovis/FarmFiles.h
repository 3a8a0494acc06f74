#pragma once
// Where a farm render keeps its own files: a .duovis-farm folder beside the output, with the
// job scripts, the task logs, the records of finished frames, the tasks' exit statuses and,
// for a video, the frames the tasks render before they are encoded.

#include <string>

namespace duovis::cli {

struct FarmFiles {
    std::string folder;  // absolute
    std::string name;    // the output's name, made safe for file names and job names

    std::string arrayScript() const { return folder + "/" + name + ".sbatch"; }
    std::string assembleScript() const { return folder + "/" + name + ".assemble.sbatch"; }
    std::string records() const { return folder + "/" + name + ".done"; }
    std::string statuses() const { return folder + "/" + name + ".status"; }
    // The ids of the jobs the last submission made, one a line: a rerun waits for none of them.
    std::string jobs() const { return folder + "/" + name + ".jobs"; }
    std::string videoFrames() const { return folder + "/" + name + ".frames/frame_%08d.png"; }
    // As sbatch spells them (%A the array's job id, %a the task, %j a job's id), and as written.
    std::string taskLogPattern() const { return folder + "/" + name + ".%A.%a.log"; }
    std::string taskLog(const std::string& job, int task) const {
        return folder + "/" + name + "." + job + "." + std::to_string(task) + ".log";
    }
    std::string assembleLogPattern() const { return folder + "/" + name + ".assemble.%j.log"; }
    std::string assembleLog(const std::string& job) const {
        return folder + "/" + name + ".assemble." + job + ".log";
    }
};

// The files of a render to `output` (absolute, a pattern or a video).
FarmFiles farmFilesFor(const std::string& output);

}  // namespace duovis::cli
