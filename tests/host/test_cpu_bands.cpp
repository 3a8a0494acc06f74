// The CPU render's row bands through a host's iterate service: every band runs once, the
// service's own error comes back, and a band that throws is reported by the failure ladder.
#include "CpuBands.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace duovis {
namespace {

PF_Err serviceError = PF_Err_NONE;

// Runs every iteration, last first, and returns the first error (or its own).
PF_Err iterateBackwards(A_long n, void* refcon, PF_Err (*fn)(void*, A_long, A_long, A_long)) {
    PF_Err first = PF_Err_NONE;
    for (A_long i = n - 1; i >= 0; --i) {
        const PF_Err err = fn(refcon, 0, i, n);
        if (first == PF_Err_NONE) first = err;
    }
    return serviceError != PF_Err_NONE ? serviceError : first;
}

struct BandCase {
    const char* what;
    std::function<void()> fail;  // run in the band that covers row 0; null: none fails
    PF_Err service;
    PF_Err expected;
};

TEST(CpuBands, EachBandRunsOnceAndFailuresReachTheHost) {
    const std::vector<BandCase> cases = {
        {"all bands succeed", nullptr, PF_Err_NONE, PF_Err_NONE},
        {"out of memory", [] { throw std::bad_alloc(); }, PF_Err_NONE, PF_Err_OUT_OF_MEMORY},
        {"a vector past its size",
         [] { std::vector<double>().reserve(std::vector<double>().max_size() + 1); }, PF_Err_NONE,
         PF_Err_OUT_OF_MEMORY},
        {"the module's own fault", [] { throw std::runtime_error("x"); }, PF_Err_NONE,
         PF_Err_INTERNAL_STRUCT_DAMAGED},
        {"the service's error", nullptr, PF_Err_INVALID_CALLBACK, PF_Err_INVALID_CALLBACK},
    };
    const RowBandPlan plan = planRowBands(4096, 100, 0);
    ASSERT_GE(plan.count, 2);
    for (const BandCase& c : cases) {
        PF_UtilCallbacks utils{};
        utils.iterate_generic = iterateBackwards;
        PF_InData in{};
        in.utils = &utils;
        serviceError = c.service;
        std::vector<int> rows(size_t(plan.height), 0);
        const PF_Err err = runRowBands(&in, plan, [&](RowBand b) {
            for (int32_t y = b.begin; y < b.end; ++y) ++rows[size_t(y)];
            if (b.begin == 0 && c.fail) c.fail();
        });
        EXPECT_EQ(err, c.expected) << c.what;
        EXPECT_EQ(std::vector<int>(rows.size(), 1), rows) << c.what;
    }
    serviceError = PF_Err_NONE;
}

TEST(CpuBands, WithoutTheServiceOnePassCoversTheGrid) {
    PF_InData in{};
    int calls = 0;
    RowBand seen{-1, -1};
    const PF_Err err = runRowBands(&in, planRowBands(4096, 100, 0), [&](RowBand b) {
        ++calls;
        seen = b;
    });
    EXPECT_EQ(err, PF_Err_NONE);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seen.begin, 0);
    EXPECT_EQ(seen.end, INT32_MAX);
}

}  // namespace
}  // namespace duovis
