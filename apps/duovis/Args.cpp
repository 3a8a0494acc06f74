#include "Args.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace duovis::cli {

Args::Args(const std::vector<std::string>& words, const OptionSpec& spec) {
    bool onlyPositional = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        std::string word = words[i];
        if (onlyPositional || word.size() < 2 || word[0] != '-') {
            positional_.push_back(word);
            continue;
        }
        if (word == "--") {
            onlyPositional = true;
            continue;
        }
        std::optional<std::string> inlineValue;
        if (word.rfind("--", 0) == 0) {
            const auto eq = word.find('=');
            if (eq != std::string::npos) {
                inlineValue = word.substr(eq + 1);
                word = word.substr(0, eq);
            }
        } else if (word.size() > 2) {
            // "-pNAME=VALUE" and "-oFILE" as getopt allows
            inlineValue = word.substr(2);
            word = word.substr(0, 2);
        }
        const auto alias = spec.aliases.find(word);
        const std::string name = alias != spec.aliases.end() ? alias->second : word;
        if (spec.flags.count(name) != 0) {
            if (inlineValue) throw std::runtime_error("option " + name + " takes no value");
            options_.emplace(name, "");
        } else if (spec.valued.count(name) != 0) {
            std::string v;
            if (inlineValue) {
                v = *inlineValue;
            } else {
                if (i + 1 >= words.size()) throw std::runtime_error("option " + name + " needs a value");
                v = words[++i];
            }
            options_.emplace(name, v);
        } else {
            throw std::runtime_error("unknown option " + word);
        }
    }
}

bool Args::has(const std::string& option) const {
    return options_.count(option) != 0;
}

std::optional<std::string> Args::value(const std::string& option) const {
    const auto range = options_.equal_range(option);
    if (range.first == range.second) return std::nullopt;
    auto last = range.second;
    --last;
    return last->second;
}

std::vector<std::string> Args::values(const std::string& option) const {
    std::vector<std::string> out;
    const auto range = options_.equal_range(option);
    for (auto it = range.first; it != range.second; ++it) out.push_back(it->second);
    return out;
}

}  // namespace duovis::cli
