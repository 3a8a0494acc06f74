#pragma once
// One effect module file: its descriptor, the loaded library and the entry point it names.

#include <string>

#include "AE_Effect.h"
#include "PropertyList.h"

namespace duovis::refhost {

class Module {
  public:
    // Reads the descriptor, loads the file and resolves the named entry point; throws
    // std::runtime_error with the reason when any step fails.
    explicit Module(const std::string& path);
    ~Module();

    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    const std::string& path() const { return path_; }
    const pipl::Descriptor& descriptor() const { return descriptor_; }
    PF_EffectEntryFunc entry() const { return entry_; }

  private:
    std::string path_;
    pipl::Descriptor descriptor_;
    void* library_ = nullptr;
    PF_EffectEntryFunc entry_ = nullptr;
};

}  // namespace duovis::refhost
