#pragma once
// The suites this host serves through its basic suite, and what the effect did with them.
// The basic suite's functions carry no effect reference, so they act for the instance whose
// command is running on this thread (see ScopedCurrent).

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "AE_EffectSuites.h"
#include "Faults.h"
#include "SuiteLedger.h"

namespace duovis::refhost {

class SuiteHost {
  public:
    explicit SuiteHost(const Faults& faults);

    SPBasicSuite* basicSuite();

    // Acquisitions and releases, in call order, as "acquire NAME VERSION" / "release ...";
    // refused requests appear as "refuse NAME VERSION".
    const std::vector<std::string>& log() const { return log_; }
    void clearLog() { log_.clear(); }
    // Acquisitions not yet released, per (name, version); empty when balanced.
    std::map<std::pair<std::string, A_long>, int> outstanding() const { return ledger_.outstanding(); }
    int acquireCount() const;

    const std::vector<PrPixelFormat>& pixelFormats() const { return pixelFormats_; }
    int pixelFormatClears() const { return pixelFormatClears_; }
    bool wantsMatchingPixelFormat() const { return wantsMatchingFormat_; }

    // Marks the instance whose command runs on this thread for the scope's lifetime.
    class ScopedCurrent {
      public:
        explicit ScopedCurrent(SuiteHost& host);
        ~ScopedCurrent();
        ScopedCurrent(const ScopedCurrent&) = delete;
        ScopedCurrent& operator=(const ScopedCurrent&) = delete;

      private:
        SuiteHost* previous_;
    };
    static SuiteHost* current();

    // Entry points of the served tables; they act on current().
    SPErr acquire(const char* name, A_long version, const void** suite);
    SPErr release(const char* name, A_long version);
    void clearPixelFormats() {
        pixelFormats_.clear();
        ++pixelFormatClears_;
    }
    void addPixelFormat(PrPixelFormat format) { pixelFormats_.push_back(format); }
    void markWantsMatchingPixelFormat() { wantsMatchingFormat_ = true; }
    bool newHandleRefused() const { return faults_.failNewHandle; }
    // The failure the faults ask for at this call of `service`, or none (Faults::failServiceCallAt).
    PF_Err injectedFailure(const char* service) const;

  private:
    const Faults& faults_;
    std::vector<std::string> log_;
    SuiteLedger ledger_;
    std::vector<PrPixelFormat> pixelFormats_;
    int pixelFormatClears_ = 0;
    bool wantsMatchingFormat_ = false;
};

}  // namespace duovis::refhost
