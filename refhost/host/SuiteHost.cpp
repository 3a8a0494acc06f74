#include "SuiteHost.h"

#include "DrawbotHost.h"
#include "HandleArena.h"

namespace duovis::refhost {

namespace {

thread_local SuiteHost* currentHost = nullptr;

PF_Err addPixelFormat(PF_ProgPtr, PrPixelFormat format) {
    if (SuiteHost* host = SuiteHost::current()) host->addPixelFormat(format);
    return PF_Err_NONE;
}

PF_Err clearPixelFormats(PF_ProgPtr) {
    if (SuiteHost* host = SuiteHost::current()) host->clearPixelFormats();
    return PF_Err_NONE;
}

PF_Err wantMatchingFormat(PF_ProgPtr) {
    if (SuiteHost* host = SuiteHost::current()) host->markWantsMatchingPixelFormat();
    return PF_Err_NONE;
}

PF_Handle newHandle(A_HandleSize size) {
    SuiteHost* host = SuiteHost::current();
    if (host != nullptr && host->newHandleRefused()) return nullptr;
    return handles::create(size);
}

const PF_PixelFormatSuite1 pixelFormatSuite{addPixelFormat, clearPixelFormats};
const PF_UtilitySuite4 utilitySuite{wantMatchingFormat};
const PF_HandleSuite2 handleSuite{newHandle, handles::lock, handles::unlock, handles::dispose, handles::size};

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

SPErr SuiteHost::acquire(const char* name, A_long version, const void** suite) {
    std::string line;
    const SPErr err = ledger_.acquire(name, version, suite, faults_.refusedSuites, line);
    log_.push_back(std::move(line));
    return err;
}

SPErr SuiteHost::release(const char* name, A_long version) {
    std::string line;
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
