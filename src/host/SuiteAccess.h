// Acquiring host suites by name and version through the basic suite, and giving them back by
// the same name and version. Failures are reported the host's way (a message in the output
// record) and become the command's error code.
#pragma once

#include "AE_EffectSuites.h"

namespace duovis {

constexpr const char* kAcquireFailedMessage = "Not able to acquire AEFX Suite.";
constexpr const char* kReleaseFailedMessage = "Not able to release AEFX Suite.";

// Held for one scope and released when it ends; scopes nest, so release runs in reverse order
// of acquisition. A failed release is ignored.
class ScopedSuite {
  public:
    ScopedSuite(const SPBasicSuite* basic, const char* name, A_long version);
    ~ScopedSuite();
    ScopedSuite(const ScopedSuite&) = delete;
    ScopedSuite& operator=(const ScopedSuite&) = delete;

    bool acquired() const { return held_ && suite_ != nullptr; }
    template <class Suite>
    const Suite* as() const {
        return static_cast<const Suite*>(suite_);
    }

  private:
    const SPBasicSuite* basic_;
    const char* name_;
    A_long version_;
    const void* suite_ = nullptr;
    bool held_ = false;
};

// Single acquire and release with the caller's message (or the standard one): 0 or 516.
PF_Err acquireSuite(const PF_InData* in, PF_OutData* out, const char* name, A_long version,
                    const void** suite, const char* message = nullptr);
PF_Err releaseSuite(const PF_InData* in, PF_OutData* out, const char* name, A_long version,
                    const char* message = nullptr);

// The four drawing suites, acquired and released together in this order.
struct DrawbotSuites {
    const DRAWBOT_DrawbotSuite1* draw = nullptr;
    const DRAWBOT_SupplierSuite1* supplier = nullptr;
    const DRAWBOT_SurfaceSuite1* surface = nullptr;
    const DRAWBOT_PathSuite1* path = nullptr;
};
PF_Err acquireDrawbotSuites(const PF_InData* in, PF_OutData* out, DrawbotSuites* suites);
PF_Err releaseDrawbotSuites(const PF_InData* in, PF_OutData* out);

// One command's suites: each acquired on first use and kept, all released when the command
// ends. Without a basic suite nothing can be served.
class SuiteHandler {
  public:
    explicit SuiteHandler(const SPBasicSuite* basic) : basic_(basic) {}
    ~SuiteHandler();
    SuiteHandler(const SuiteHandler&) = delete;
    SuiteHandler& operator=(const SuiteHandler&) = delete;

    bool usable() const { return basic_ != nullptr; }
    // Null when the host cannot supply it.
    const PF_HandleSuite2* handleSuite();

  private:
    const SPBasicSuite* basic_;
    const PF_HandleSuite2* handle_ = nullptr;
};

}  // namespace duovis
