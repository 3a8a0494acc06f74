#pragma once
// GNU-style option scanning shared by the commands: long and short options, values given
// as the next word or after '=', and positional words kept in order.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "session/Numbers.h"

namespace duovis::cli {

struct OptionSpec {
    std::set<std::string> flags;                 // options without a value, e.g. "--json"
    std::set<std::string> valued;                // options taking a value, e.g. "--host", "-o"
    std::map<std::string, std::string> aliases;  // short form -> canonical long form
};

class Args {
  public:
    // Throws std::runtime_error naming the unknown option or the one missing its value.
    Args(const std::vector<std::string>& words, const OptionSpec& spec);

    bool has(const std::string& option) const;
    std::optional<std::string> value(const std::string& option) const;  // the last one given
    std::vector<std::string> values(const std::string& option) const;   // all, in order
    const std::vector<std::string>& positional() const { return positional_; }

  private:
    std::multimap<std::string, std::string> options_;
    std::vector<std::string> positional_;
};

}  // namespace duovis::cli
