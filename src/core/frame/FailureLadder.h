// Where the module entry points turn an exception into a host error code: one ordered ladder
// names the failure, and each entry maps the name to its own host's code. Nothing escapes.
#pragma once

#include <utility>

namespace duovis {

enum class Failure {
    OutOfMemory,  // an allocation failed or asked for more than can exist
    Internal,     // anything else: the module's own fault
};

// The failure the exception now being handled stands for. Only meaningful inside a catch
// handler; outside one it reports Internal.
Failure currentFailure() noexcept;

// call() or, where it throws, codeFor(the failure), as the entry's own code type.
template <class Code, class Call, class CodeFor>
Code callGuarded(Call&& call, CodeFor&& codeFor) noexcept {
    try {
        return std::forward<Call>(call)();
    } catch (...) {
        return codeFor(currentFailure());
    }
}

}  // namespace duovis
