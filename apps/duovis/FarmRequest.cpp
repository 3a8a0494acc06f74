#include "FarmRequest.h"

#include <map>
#include <stdexcept>

#include "session/Numbers.h"

namespace duovis::cli {

const char* const kFarmHelp =
    "usage: duovis farm render [render options] -o OUTPUT --chunk N [--scheduler slurm]\n"
    "                          [--partition P] [--account A] [--time T]\n"
    "                          [--wait] [--dry-run] [--force]\n"
    "\n"
    "Renders as `duovis render` with the same options would, as an array job on a Slurm\n"
    "cluster: one task for each chunk of N frames, each running `duovis render --frames A-B`\n"
    "into OUTPUT, a numbered pattern (out_%04d.png) or a video (.mp4 .mov .mkv). A video's\n"
    "frames are rendered losslessly by the tasks and encoded by a job that starts when all of\n"
    "them succeeded, as `duovis render` would encode them. The job scripts are written to\n"
    ".duovis-farm/ beside OUTPUT, with the task logs; inputs, outputs and duovis must be on a\n"
    "file system every node sees. Run again, it renders only the frames that are missing or\n"
    "cut short; while the jobs it submitted last are still queued or running, it refuses.\n"
    "  --chunk N         frames a task renders (weigh a task's start-up against its length)\n"
    "  --scheduler slurm the scheduler (Slurm's sbatch, squeue and scancel on the PATH)\n"
    "  --partition P     the partition the tasks run in (sbatch --partition)\n"
    "  --account A       the account they are charged to (sbatch --account)\n"
    "  --time T          each task's time limit, as sbatch takes it (e.g. 30, 1:00:00)\n"
    "  --wait            waits for the whole job; a failed task ends it non-zero, naming its\n"
    "                    chunk, its frames and its log\n"
    "  --dry-run         writes the job scripts and prints the sbatch commands only\n"
    "  --force           renders every frame again, finished or not\n";

namespace {

enum class Kind { Flag, Valued };

// The options the farm takes out of the words; the rest goes to the render.
const std::map<std::string, Kind>& farmOptions() {
    static const std::map<std::string, Kind> options{
        {"--chunk", Kind::Valued},     {"--scheduler", Kind::Valued},
        {"--partition", Kind::Valued}, {"--account", Kind::Valued},
        {"--time", Kind::Valued},      {"--output", Kind::Valued},
        {"-o", Kind::Valued},          {"--frames", Kind::Valued},
        {"--frame", Kind::Valued},     {"--wait", Kind::Flag},
        {"--dry-run", Kind::Flag},     {"--force", Kind::Flag},
        {"--help", Kind::Flag},        {"-h", Kind::Flag},
        {"--records", Kind::Valued},   {"--from-frames", Kind::Valued}};
    return options;
}

// Splits the farm's options (as --name VALUE or --name=VALUE) from the render's words.
std::multimap<std::string, std::string> takeFarmOptions(const std::vector<std::string>& words,
                                                        std::vector<std::string>& rest) {
    std::multimap<std::string, std::string> taken;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        const std::size_t eq = word.rfind("--", 0) == 0 ? word.find('=') : std::string::npos;
        const std::string name = word.substr(0, eq);
        const auto option = farmOptions().find(name);
        if (option == farmOptions().end()) {
            rest.push_back(word);
            continue;
        }
        if (option->second == Kind::Flag || eq != std::string::npos) {
            taken.emplace(name, eq == std::string::npos ? "" : word.substr(eq + 1));
            continue;
        }
        if (i + 1 == words.size()) throw std::runtime_error(name + " needs a value");
        taken.emplace(name, words[++i]);
    }
    return taken;
}

std::optional<std::string> last(const std::multimap<std::string, std::string>& taken, const std::string& name,
                                const std::string& alias = "") {
    std::optional<std::string> value;
    for (const auto& [key, v] : taken)
        if (key == name || (!alias.empty() && key == alias)) value = v;
    return value;
}

// A value the job script's #SBATCH lines carry: one word, or it would end the line.
std::optional<std::string> sbatchValue(const std::multimap<std::string, std::string>& taken,
                                       const std::string& name) {
    const std::optional<std::string> value = last(taken, name);
    if (!value) return value;
    for (const char c : *value)
        if (static_cast<unsigned char>(c) <= ' ' || c == '\x7f')
            throw std::runtime_error(name + ": Slurm takes one word, without spaces or control characters");
    if (value->empty()) throw std::runtime_error(name + " needs a value");
    return value;
}

}  // namespace

FarmRequest parseFarmRequest(const std::vector<std::string>& words) {
    FarmRequest r;
    const auto taken = takeFarmOptions(words, r.renderWords);
    r.help = taken.count("--help") + taken.count("-h") > 0;
    if (r.help) return r;
    // The tasks' own plumbing: the farm sets them for each job.
    for (const char* own : {"--records", "--from-frames"})
        if (taken.count(own) > 0)
            throw std::runtime_error(std::string(own) + ": a farm render sets it itself");
    const std::string scheduler = last(taken, "--scheduler").value_or("slurm");
    if (scheduler != "slurm")
        throw std::runtime_error("--scheduler: '" + scheduler + "' is not one of slurm");
    const auto output = last(taken, "--output", "-o");
    if (!output) throw std::runtime_error("farm render needs -o OUTPUT");
    r.output = *output;
    const auto chunk = last(taken, "--chunk");
    if (!chunk) throw std::runtime_error("farm render needs --chunk N (frames a task renders)");
    r.chunk = session::parseInt(*chunk, "--chunk");
    if (r.chunk < 1) throw std::runtime_error("--chunk: '" + *chunk + "' is below 1 frame");
    if (taken.count("--frames") + taken.count("--frame") > 1)
        throw std::runtime_error("give --frame or --frames once");
    r.frames = last(taken, "--frames", "--frame");
    r.partition = sbatchValue(taken, "--partition");
    r.account = sbatchValue(taken, "--account");
    r.time = sbatchValue(taken, "--time");
    r.wait = taken.count("--wait") > 0;
    r.dryRun = taken.count("--dry-run") > 0;
    r.force = taken.count("--force") > 0;
    return r;
}

std::vector<std::string> renderWordsFor(const FarmRequest& request, const std::string& frames,
                                        const std::string& output) {
    std::vector<std::string> words = request.renderWords;
    words.insert(words.end(), {"--frames", frames, "-o", output});
    return words;
}

}  // namespace duovis::cli
