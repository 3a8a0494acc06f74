#include "Module.h"

#include <dlfcn.h>

#include <cstring>
#include <stdexcept>

#include "PiPL.h"

namespace duovis::refhost {

namespace {

pipl::Descriptor readDescriptor(const std::string& path) {
    auto list = pipl::readPiplFile(path);
    if (!list.ok()) throw std::runtime_error(list.error);  // it names the file
    auto descriptor = pipl::describe(*list.value);
    if (!descriptor.ok()) throw std::runtime_error(path + ": " + descriptor.error);
    if (descriptor.value->kind != PiPL_KIND_EFFECT) throw std::runtime_error(path + ": not an effect module");
    return *descriptor.value;
}

}  // namespace

Module::Module(const std::string& path) : path_(path), descriptor_(readDescriptor(path)) {
    // Local binding keeps two modules that share symbol names apart in one process.
    library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr) throw std::runtime_error(dlerror());  // it names the file
    void* symbol = dlsym(library_, descriptor_.entryPoint.c_str());
    if (symbol == nullptr) {
        dlclose(library_);
        throw std::runtime_error(path + ": no entry point " + descriptor_.entryPoint);
    }
    // The descriptor promises that the symbol is the effect entry function.
    static_assert(sizeof(entry_) == sizeof(symbol), "function and object pointers differ in size");
    std::memcpy(&entry_, &symbol, sizeof entry_);
}

Module::~Module() {
    if (library_ != nullptr) dlclose(library_);
}

}  // namespace duovis::refhost
