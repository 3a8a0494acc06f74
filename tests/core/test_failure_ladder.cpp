#include "core/frame/FailureLadder.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace duovis {
namespace {

struct Row {
    const char* name;
    std::function<void()> raise;
    Failure expected;
};

// The code each failure maps to in this test, so the row's answer is visible in the result.
int codeFor(Failure f) {
    return f == Failure::OutOfMemory ? 4 : 512;
}

TEST(FailureLadder, NamesEachExceptionInOrder) {
    const std::vector<Row> rows = {
        {"bad_alloc", [] { throw std::bad_alloc(); }, Failure::OutOfMemory},
        {"bad_array_new_length", [] { throw std::bad_array_new_length(); }, Failure::OutOfMemory},
        {"vector past max_size", [] { std::vector<double>().reserve(std::vector<double>().max_size() + 1); },
         Failure::OutOfMemory},
        {"out_of_range", [] { (void)std::string().at(1); }, Failure::Internal},
        {"runtime_error", [] { throw std::runtime_error("x"); }, Failure::Internal},
        {"system_error",
         [] { throw std::system_error(std::make_error_code(std::errc::device_or_resource_busy)); },
         Failure::Internal},
        {"not a std::exception", [] { throw 42; }, Failure::Internal},
    };
    for (const Row& r : rows) {
        const int code = callGuarded<int>(
            [&] {
                r.raise();
                return 0;
            },
            codeFor);
        EXPECT_EQ(code, codeFor(r.expected)) << r.name;
    }
}

TEST(FailureLadder, PassesTheCallsOwnResultAndNeedsAHandler) {
    EXPECT_EQ(callGuarded<int>([] { return 7; }, codeFor), 7);
    EXPECT_EQ(currentFailure(), Failure::Internal);  // no exception in flight
}

}  // namespace
}  // namespace duovis
