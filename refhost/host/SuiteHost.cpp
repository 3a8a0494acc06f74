#include "SuiteHost.h"

#include <cstring>

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

struct ServedSuite {
    const char* name;
    A_long version;
    const void* table;
};

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

SPErr basicAcquire(const char* name, A_long version, const void** suite) {
    SuiteHost* host = SuiteHost::current();
    if (host == nullptr) return kSPSuiteNotFoundError;
    return host->acquire(name, version, suite);
}

SPErr basicRelease(const char* name, A_long version) {
    SuiteHost* host = SuiteHost::current();
    if (host == nullptr) return kSPSuiteNotFoundError;
    return host->release(name, version);
}

SPBoolean basicIsEqual(const char* a, const char* b) {
    return a != nullptr && b != nullptr && std::strcmp(a, b) == 0 ? 1 : 0;
}

SPBasicSuite basicSuiteTable{basicAcquire, basicRelease, basicIsEqual};

std::string entry(const char* verb, const char* name, A_long version) {
    return std::string(verb) + " " + (name != nullptr ? name : "(null)") + " " + std::to_string(version);
}

}  // namespace

SPBasicSuite* SuiteHost::basicSuite() {
    return &basicSuiteTable;
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
    if (suite != nullptr) *suite = nullptr;
    if (name == nullptr || suite == nullptr || faults_.refusedSuites.count(name) > 0) {
        log_.push_back(entry("refuse", name, version));
        return kSPSuiteNotFoundError;
    }
    for (const ServedSuite& served : servedSuites) {
        if (std::strcmp(served.name, name) == 0 && served.version == version) {
            *suite = served.table;
            ++held_[{name, version}];
            log_.push_back(entry("acquire", name, version));
            return kSPNoError;
        }
    }
    log_.push_back(entry("refuse", name, version));
    return kSPSuiteNotFoundError;
}

SPErr SuiteHost::release(const char* name, A_long version) {
    log_.push_back(entry("release", name, version));
    if (name == nullptr) return kSPSuiteNotFoundError;
    auto it = held_.find({name, version});
    if (it == held_.end() || it->second == 0) {
        --held_[{name, version}];  // an unmatched release shows as a negative balance
        return kSPSuiteNotFoundError;
    }
    --it->second;
    return kSPNoError;
}

std::map<std::pair<std::string, A_long>, int> SuiteHost::outstanding() const {
    std::map<std::pair<std::string, A_long>, int> result;
    for (const auto& [key, count] : held_)
        if (count != 0) result[key] = count;
    return result;
}

int SuiteHost::acquireCount() const {
    int count = 0;
    for (const std::string& line : log_)
        if (line.rfind("acquire ", 0) == 0) ++count;
    return count;
}

}  // namespace duovis::refhost
