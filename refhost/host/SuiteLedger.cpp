#include "SuiteLedger.h"

#include <cstring>

namespace duovis::refhost {

std::string suiteLogLine(const char* verb, const char* name, A_long version) {
    return std::string(verb) + " " + (name != nullptr ? name : "(null)") + " " + std::to_string(version);
}

SPErr SuiteLedger::acquire(const char* name, A_long version, const void** suite,
                           const std::set<std::string>& refused, std::string& line) {
    if (suite != nullptr) *suite = nullptr;
    line = suiteLogLine("refuse", name, version);
    if (name == nullptr || suite == nullptr || refused.count(name) > 0) return kSPSuiteNotFoundError;
    for (const ServedSuite* served = begin_; served != end_; ++served) {
        if (std::strcmp(served->name, name) == 0 && served->version == version) {
            *suite = served->table;
            ++held_[{name, version}];
            line = suiteLogLine("acquire", name, version);
            return kSPNoError;
        }
    }
    return kSPSuiteNotFoundError;
}

SPErr SuiteLedger::release(const char* name, A_long version, std::string& line) {
    line = suiteLogLine("release", name, version);
    if (name == nullptr) return kSPSuiteNotFoundError;
    int& count = held_[{name, version}];
    --count;
    return count >= 0 ? kSPNoError : kSPSuiteNotFoundError;
}

std::map<std::pair<std::string, A_long>, int> SuiteLedger::outstanding() const {
    std::map<std::pair<std::string, A_long>, int> result;
    for (const auto& [key, count] : held_)
        if (count != 0) result[key] = count;
    return result;
}

SPBoolean sameSuiteName(const char* a, const char* b) {
    return a != nullptr && b != nullptr && std::strcmp(a, b) == 0 ? 1 : 0;
}

}  // namespace duovis::refhost
