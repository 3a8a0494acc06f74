#include "SuiteAccess.h"

#include "HostStrings.h"

namespace duovis {

ScopedSuite::ScopedSuite(const SPBasicSuite* basic, const char* name, A_long version)
    : basic_(basic), name_(name), version_(version) {
    held_ = basic_ && basic_->AcquireSuite && basic_->AcquireSuite(name_, version_, &suite_) == kSPNoError;
    if (!held_) suite_ = nullptr;
}

ScopedSuite::~ScopedSuite() {
    if (held_ && basic_->ReleaseSuite) (void)basic_->ReleaseSuite(name_, version_);
}

PF_Err acquireSuite(const PF_InData* in, PF_OutData* out, const char* name, A_long version,
                    const void** suite, const char* message) {
    const SPBasicSuite* basic = in->pica_basicP;
    if (basic && basic->AcquireSuite && basic->AcquireSuite(name, version, suite) == kSPNoError && *suite) {
        return PF_Err_NONE;
    }
    reportToUser(in, out, message ? message : kAcquireFailedMessage);
    return PF_Err_BAD_CALLBACK_PARAM;
}

PF_Err releaseSuite(const PF_InData* in, PF_OutData* out, const char* name, A_long version,
                    const char* message) {
    const SPBasicSuite* basic = in->pica_basicP;
    if (!basic || !basic->ReleaseSuite) {
        reportToUser(in, out, message ? message : kReleaseFailedMessage);
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    (void)basic->ReleaseSuite(name, version);
    return PF_Err_NONE;
}

namespace {

struct DrawbotName {
    const char* name;
    A_long version;
};
constexpr DrawbotName kDrawbotNames[4] = {{kDRAWBOT_DrawSuite, kDRAWBOT_DrawSuite_Version1},
                                          {kDRAWBOT_SupplierSuite, kDRAWBOT_SupplierSuite_Version1},
                                          {kDRAWBOT_SurfaceSuite, kDRAWBOT_SurfaceSuite_Version1},
                                          {kDRAWBOT_PathSuite, kDRAWBOT_PathSuite_Version1}};

}  // namespace

PF_Err acquireDrawbotSuites(const PF_InData* in, PF_OutData* out, DrawbotSuites* suites) {
    if (!suites) {
        reportToUser(in, out, "NULL suite pointer passed to AEFX_AcquireDrawbotSuites");
        return PF_Err_UNRECOGNIZED_PARAM_TYPE;
    }
    const void* got[4] = {};
    for (int i = 0; i < 4; ++i) {
        if (const PF_Err err =
                acquireSuite(in, out, kDrawbotNames[i].name, kDrawbotNames[i].version, &got[i])) {
            // The suites after it are not attempted; those already held go back at once, as
            // a caller that failed here never reaches its release.
            for (int k = i - 1; k >= 0; --k)
                (void)releaseSuite(in, out, kDrawbotNames[k].name, kDrawbotNames[k].version);
            return err;
        }
    }
    suites->draw = static_cast<const DRAWBOT_DrawbotSuite1*>(got[0]);
    suites->supplier = static_cast<const DRAWBOT_SupplierSuite1*>(got[1]);
    suites->surface = static_cast<const DRAWBOT_SurfaceSuite1*>(got[2]);
    suites->path = static_cast<const DRAWBOT_PathSuite1*>(got[3]);
    return PF_Err_NONE;
}

PF_Err releaseDrawbotSuites(const PF_InData* in, PF_OutData* out) {
    // A failed release is reported but does not stop the others, and the set counts as released.
    for (const DrawbotName& s : kDrawbotNames) (void)releaseSuite(in, out, s.name, s.version);
    return PF_Err_NONE;
}

SuiteHandler::~SuiteHandler() {
    if (handle_ && basic_->ReleaseSuite) (void)basic_->ReleaseSuite(kPFHandleSuite, kPFHandleSuiteVersion2);
}

const PF_HandleSuite2* SuiteHandler::handleSuite() {
    if (!handle_ && basic_ && basic_->AcquireSuite) {
        const void* suite = nullptr;
        if (basic_->AcquireSuite(kPFHandleSuite, kPFHandleSuiteVersion2, &suite) == kSPNoError) {
            handle_ = static_cast<const PF_HandleSuite2*>(suite);
        }
    }
    return handle_;
}

}  // namespace duovis
