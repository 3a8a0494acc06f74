#include "GpuFilterModule.h"

#include <dlfcn.h>

#include <cstring>
#include <stdexcept>

#include "GpuHost.h"

namespace duovis::refhost::gpu {

namespace {

// The module's own handle (it is already loaded by Module) and the entry it exports, if any.
PrGPUFilterEntry findEntry(const Module& module, void** library) {
    *library = dlopen(module.path().c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    if (*library == nullptr) return nullptr;
    void* symbol = dlsym(*library, PrGPUFilterEntryName);
    if (symbol == nullptr) {
        dlclose(*library);
        *library = nullptr;
        return nullptr;
    }
    PrGPUFilterEntry entry = nullptr;
    static_assert(sizeof(entry) == sizeof(symbol), "function and object pointers differ in size");
    std::memcpy(&entry, &symbol, sizeof entry);
    return entry;
}

}  // namespace

bool GpuFilterModule::exportsFilter(const Module& module) {
    void* library = nullptr;
    const bool found = findEntry(module, &library) != nullptr;
    if (library != nullptr) dlclose(library);
    return found;
}

GpuFilterModule::GpuFilterModule(const Module& module) {
    entry_ = findEntry(module, &library_);
    if (entry_ == nullptr)
        throw std::runtime_error(module.path() + ": no GPU filter (" PrGPUFilterEntryName ")");
    GpuHost startup;
    GpuHost::ScopedCurrent current(startup);
    csSDK_int32 index = 0;
    const prSuiteError err =
        entry_(PrSDKGPUFilterInterfaceVersion1, &index, 1, startup.basicSuite(), &filter_, &info_);
    if (err != suiteError_NoError || filter_.CreateInstance == nullptr || filter_.Render == nullptr) {
        dlclose(library_);
        throw std::runtime_error(module.path() + ": the GPU filter entry refused to start (error " +
                                 std::to_string(err) + ")");
    }
}

GpuFilterModule::~GpuFilterModule() {
    csSDK_int32 index = 0;
    PrGPUFilter unused{};
    PrGPUFilterInfo unusedInfo{};
    entry_(PrSDKGPUFilterInterfaceVersion1, &index, 0, nullptr, &unused, &unusedInfo);
    dlclose(library_);
}

}  // namespace duovis::refhost::gpu
