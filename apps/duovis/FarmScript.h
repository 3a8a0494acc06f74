#pragma once
// The job scripts of a farm render, plain bash with #SBATCH lines, written so that a site can
// read and edit them (modules to load, partitions): each task's render is spelled out.

#include <optional>
#include <string>
#include <vector>

#include "FarmFiles.h"
#include "FarmPlan.h"

namespace duovis::cli {

struct ScriptSpec {
    std::string duovis;   // the program, absolute
    std::string workdir;  // where the render's relative names were given, absolute
    FarmFiles files;
    std::vector<std::string> renderWords;  // the render's options, without --frames and -o
    std::optional<std::string> partition;
    std::optional<std::string> account;
    std::optional<std::string> time;
};

// `text` as one shell word.
std::string shellQuoted(const std::string& text);

// The render the jobs run, as one text: its words, the folder they are read in and `output`.
std::string renderIdentity(const ScriptSpec& spec, const std::string& output);

// The array job: task K renders the frames of chunks[K] into `target`, recording each.
std::string arrayScript(const ScriptSpec& spec, const std::vector<FarmChunk>& chunks,
                        const std::string& target);

// The job that encodes the frames `frames` of files.videoFrames() into the video `output`.
std::string assembleScript(const ScriptSpec& spec, const std::string& frames, const std::string& output);

}  // namespace duovis::cli
