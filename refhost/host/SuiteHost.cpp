#include "SuiteHost.h"

#include "DrawbotHost.h"
#include "HandleArena.h"

namespace duovis::refhost {

namespace {

thread_local SuiteHost* currentHost = nullptr;

PF_Err addPixelFormat(PF_ProgPtr, PrPixelFormat format) {
    SuiteHost* host = SuiteHost::current();
    if (host == nullptr) return PF_Err_NONE;
    if (const PF_Err err = host->injectedFailure("AddSupportedPixelFormat")) return err;
    host->addPixelFormat(format);
    return PF_Err_NONE;
}

PF_Err clearPixelFormats(PF_ProgPtr) {
    SuiteHost* host = SuiteHost::current();
    if (host == nullptr) return PF_Err_NONE;
    if (const PF_Err err = host->injectedFailure("ClearSupportedPixelFormats")) return err;
    host->clearPixelFormats();
    return PF_Err_NONE;
}

PF_Err wantMatchingFormat(PF_ProgPtr) {
    SuiteHost* host = SuiteHost::current();
    if (host == nullptr) return PF_Err_NONE;
    if (const PF_Err err = host->injectedFailure("EffectWantsCheckedOutFramesToMatchRenderPixelFormat"))
        return err;
    host->markWantsMatchingPixelFormat();
    return PF_Err_NONE;
}

PF_Handle newHandle(A_HandleSize size) {
    SuiteHost* host = SuiteHost::current();
    if (host != nullptr && (host->newHandleRefused() || host->injectedFailure("host_new_handle")))
        return nullptr;
    return handles::create(size);
}

void* lockHandle(PF_Handle handle) {
    SuiteHost* host = SuiteHost::current();
    if (host != nullptr && host->injectedFailure("host_lock_handle")) return nullptr;
    return handles::lock(handle);
}

const PF_PixelFormatSuite1 pixelFormatSuite{addPixelFormat, clearPixelFormats};
const PF_UtilitySuite4 utilitySuite{wantMatchingFormat};
const PF_HandleSuite2 handleSuite{newHandle, lockHandle, handles::unlock, handles::dispose, handles::size};

const ServedSuite servedSuites[] = {
    {kPFPixelFormatSuite, kPFPixelFormatSuiteVersion1, &pixelFormatSuite},
    {kPFUtilitySuite, kPFUtilitySuiteVersion4, &utilitySuite},
    {kPFHandleSuite, kPFHandleSuiteVersion2, &handleSuite},
    {kPFEffectCustomUISuite, kPFEffectCustomUISuiteVersion1, &kEffectCustomUISuite},
    {kDRAWBOT_DrawSuite, kDRAWBOT_DrawSuite_Version1, &kDrawbotDrawSuite},
    {kDRAWBOT_SupplierSuite, kDRAWBOT_SupplierSuite_Version1, &kDrawbotSupplierSuite},
    {kDRAWBOT_SurfaceSuite, kDRAWBOT_SurfaceSuite_Version1, &kDrawbotSurfaceSuite},
    {kDRAWBOT_PathSuite, kDRAWBOT_PathSuite_Version1, &kDrawbotPathSuite},
};

}  // namespace

SuiteHost::SuiteHost(const Faults& faults) : faults_(faults), ledger_(servedSuites) {}

SPBasicSuite* SuiteHost::basicSuite() {
    return &BasicSuiteOf<SuiteHost>::table;
}

SuiteHost::ScopedCurrent::ScopedCurrent(SuiteHost& host) : previous_(currentHost) {
    currentHost = &host;
}
SuiteHost::ScopedCurrent::~ScopedCurrent() {
    currentHost = previous_;
}
SuiteHost* SuiteHost::current() {
    return currentHost;
}

PF_Err SuiteHost::injectedFailure(const char* service) const {
    return faults_.failsServiceCall(service) ? faults_.serviceError : PF_Err_NONE;
}

SPErr SuiteHost::acquire(const char* name, A_long version, const void** suite) {
    std::string line;
    if (const PF_Err err = injectedFailure("AcquireSuite")) {
        if (suite != nullptr) *suite = nullptr;
        log_.push_back(suiteLogLine("refuse", name, version));
        return err;
    }
    const SPErr err = ledger_.acquire(name, version, suite, faults_.refusedSuites, line);
    log_.push_back(std::move(line));
    return err;
}

SPErr SuiteHost::release(const char* name, A_long version) {
    std::string line;
    // A refused release keeps the suite held: the ledger shows it.
    if (const PF_Err err = injectedFailure("ReleaseSuite")) {
        log_.push_back(suiteLogLine("refuse-release", name, version));
        return err;
    }
    const SPErr err = ledger_.release(name, version, line);
    log_.push_back(std::move(line));
    return err;
}

int SuiteHost::acquireCount() const {
    int count = 0;
    for (const std::string& line : log_)
        if (line.rfind("acquire ", 0) == 0) ++count;
    return count;
}

}  // namespace duovis::refhost
