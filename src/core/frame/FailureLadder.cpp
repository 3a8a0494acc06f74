#include "core/frame/FailureLadder.h"

#include <exception>
#include <new>
#include <stdexcept>

namespace duovis {

Failure currentFailure() noexcept {
    if (!std::current_exception()) return Failure::Internal;
    try {
        throw;
    } catch (const std::bad_alloc&) {  // bad_array_new_length too
        return Failure::OutOfMemory;
    } catch (const std::length_error&) {  // a container asked past its largest size
        return Failure::OutOfMemory;
    } catch (...) {
        return Failure::Internal;
    }
}

}  // namespace duovis
