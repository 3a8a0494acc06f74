#pragma once
// What a host serves through its basic suite, and how many of each suite its guest holds. The
// after-effects side and the editing host's GPU side serve different suites the same way.

#include <map>
#include <set>
#include <string>
#include <utility>

#include "AE_EffectSuites.h"

namespace duovis::refhost {

struct ServedSuite {
    const char* name;
    A_long version;
    const void* table;
};

class SuiteLedger {
  public:
    template <size_t N>
    explicit SuiteLedger(const ServedSuite (&served)[N]) : begin_(served), end_(served + N) {}

    // Hands out the table served under exactly this name and version, unless the name is in
    // `refused`. `line` receives the log entry: "acquire NAME VERSION" or "refuse NAME VERSION".
    SPErr acquire(const char* name, A_long version, const void** suite, const std::set<std::string>& refused,
                  std::string& line);
    // An unmatched release fails and shows as a negative balance. `line`: "release NAME VERSION".
    SPErr release(const char* name, A_long version, std::string& line);
    // Acquisitions not yet released, per (name, version); empty when balanced.
    std::map<std::pair<std::string, A_long>, int> outstanding() const;

  private:
    const ServedSuite* begin_;
    const ServedSuite* end_;
    std::map<std::pair<std::string, A_long>, int> held_;
};

SPBoolean sameSuiteName(const char* a, const char* b);

// One line of a suite log: "VERB NAME VERSION".
std::string suiteLogLine(const char* verb, const char* name, A_long version);

// The basic suite of a host type whose static current() names the host acting on this thread:
// its functions carry no reference to a host.
template <class Host>
struct BasicSuiteOf {
    static SPErr acquire(const char* name, A_long version, const void** suite) {
        Host* host = Host::current();
        return host != nullptr ? host->acquire(name, version, suite) : kSPSuiteNotFoundError;
    }
    static SPErr release(const char* name, A_long version) {
        Host* host = Host::current();
        return host != nullptr ? host->release(name, version) : kSPSuiteNotFoundError;
    }
    static inline SPBasicSuite table{acquire, release, sameSuiteName};
};

}  // namespace duovis::refhost
