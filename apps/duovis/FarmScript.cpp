#include "FarmScript.h"

#include <sstream>

namespace duovis::cli {

std::string shellQuoted(const std::string& text) {
    const bool plain = !text.empty() && text.find_first_not_of(
                                            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRS"
                                            "TUVWXYZ0123456789_-./=:,+@") == std::string::npos;
    if (plain) return text;
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

namespace {

std::string words(const std::vector<std::string>& list) {
    std::string text;
    for (const std::string& w : list) text += " " + shellQuoted(w);
    return text;
}

// The #SBATCH lines every job of the render shares, then the folder its names are read from.
void header(std::ostringstream& s, const ScriptSpec& spec, const std::string& job, const std::string& log) {
    s << "#!/bin/bash\n"
      << "# Written by duovis farm render; edit it for your site (modules, partitions) and submit it\n"
      << "# again with the sbatch command duovis printed.\n"
      << "#SBATCH --job-name=" << job << "\n"
      << "#SBATCH --output=" << log << "\n"
      << "#SBATCH --ntasks=1\n";
    if (spec.partition) s << "#SBATCH --partition=" << *spec.partition << "\n";
    if (spec.account) s << "#SBATCH --account=" << *spec.account << "\n";
    if (spec.time) s << "#SBATCH --time=" << *spec.time << "\n";
}

// The exit status, kept where `duovis farm render --wait` reads it.
void footer(std::ostringstream& s, const ScriptSpec& spec, const std::string& statusName) {
    s << "mkdir -p " << shellQuoted(spec.files.statuses()) << "\n"
      << "echo \"$status\" > " << shellQuoted(spec.files.statuses()) << "/\"" << statusName << "\"\n"
      << "exit \"$status\"\n";
}

}  // namespace

std::string renderIdentity(const ScriptSpec& spec, const std::string& output) {
    return "cd " + shellQuoted(spec.workdir) + "\nrender" + words(spec.renderWords) + " -o " +
           shellQuoted(output) + "\n";
}

std::string arrayScript(const ScriptSpec& spec, const std::vector<FarmChunk>& chunks,
                        const std::string& target) {
    std::ostringstream s;
    header(s, spec, "duovis-" + spec.files.name, spec.files.taskLogPattern());
    s << "#SBATCH --array=0-" << chunks.size() - 1 << "\n"
      << "set -u\n"
      << "cd " << shellQuoted(spec.workdir) << " || exit 1\n"
      << "render() {\n"
      << "    " << shellQuoted(spec.duovis) << " render" << words(spec.renderWords) << " --quiet \\\n"
      << "        --records " << shellQuoted(spec.files.records()) << " -o " << shellQuoted(target)
      << " --frames \"$1\"\n"
      << "}\n"
      << "status=0\n"
      << "case \"$SLURM_ARRAY_TASK_ID\" in\n";
    for (std::size_t k = 0; k < chunks.size(); ++k) {
        s << "    " << k << ")  # chunk " << chunks[k].number << ", frames " << framesText(chunks[k].frames)
          << "\n        ";
        for (const session::FrameRange& run : chunks[k].runs) s << "render " << framesText(run) << " && ";
        s << "true || status=$? ;;\n";
    }
    s << "    *) echo \"no chunk for task $SLURM_ARRAY_TASK_ID\" >&2; status=2 ;;\n"
      << "esac\n";
    footer(s, spec, "$SLURM_ARRAY_JOB_ID.$SLURM_ARRAY_TASK_ID");
    return s.str();
}

std::string assembleScript(const ScriptSpec& spec, const std::string& frames, const std::string& output) {
    std::ostringstream s;
    header(s, spec, "duovis-" + spec.files.name + "-video", spec.files.assembleLogPattern());
    s << "set -u\n"
      << "cd " << shellQuoted(spec.workdir) << " || exit 1\n"
      << shellQuoted(spec.duovis) << " render" << words(spec.renderWords) << " --quiet \\\n"
      << "    --records " << shellQuoted(spec.files.records()) << " --from-frames "
      << shellQuoted(spec.files.videoFrames()) << " --frames " << frames << " -o " << shellQuoted(output)
      << "\n"
      << "status=$?\n";
    footer(s, spec, "$SLURM_JOB_ID");
    return s.str();
}

}  // namespace duovis::cli
