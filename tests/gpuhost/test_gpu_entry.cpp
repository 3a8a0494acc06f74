// The GPU filter entry as the editing host finds and calls it.
#include <dlfcn.h>

#include <cstring>

#include "GpuFixture.h"
#include "PrSDKPPixSuite.h"
#include "PrSDKVideoSegmentSuite.h"
#include "PremiereRecordSizes.h"

extern "C" size_t premiereCSizes[];

namespace duovis::gputest {
namespace {

TEST(GpuSdk, RecordsHaveOneLayoutInCAndCpp) {
    const size_t cpp[] = {DUOVIS_PREMIERE_RECORD_SIZES};
    for (size_t i = 0; i < sizeof cpp / sizeof cpp[0]; ++i)
        EXPECT_EQ(premiereCSizes[i], cpp[i]) << "record " << i;
}

struct Exporter {
    const char* name;
    const char* path;
    bool exports;
};

void PrintTo(const Exporter& e, std::ostream* os) {
    *os << e.name;
}

class GpuFilterExport : public ::testing::TestWithParam<Exporter> {};

TEST_P(GpuFilterExport, OnlyDuovisXHasTheEntry) {
    const Exporter& e = GetParam();
    if (std::string(e.path).empty()) GTEST_SKIP() << e.name << " is not built";
    if (e.exports && !DUOVIS_GPU_FILTER_BUILT)
        GTEST_SKIP() << "DuovisX is built without the GPU kernel target";
    Module module(e.path);
    EXPECT_EQ(GpuFilterModule::exportsFilter(module), e.exports);
    if (!e.exports) {
        EXPECT_THROW(GpuFilterModule filter(module), std::runtime_error);
    }
}

INSTANTIATE_TEST_SUITE_P(Modules, GpuFilterExport,
                         ::testing::Values(Exporter{"DuovisX", DUOVISX_PATH, true},
                                           Exporter{"Duovis", DUOVIS_PATH, false}),
                         [](const auto& tp) { return std::string(tp.param.name); });

// Table and info filled with a marker, so what the entry writes (and does not) shows.
struct EntryCall {
    PrGPUFilter filter;
    PrGPUFilterInfo info;
    csSDK_int32 index;
    prSuiteError result;
};

EntryCall callEntry(csSDK_int32 index, prBool startup) {
    EntryCall c{};
    std::memset(&c.filter, 0xAB, sizeof c.filter);
    std::memset(&c.info, 0xAB, sizeof c.info);
    c.index = index;
    GpuHost host;
    GpuHost::ScopedCurrent current(host);
    c.result = gpuModules().filter->entry()(PrSDKGPUFilterInterfaceVersion1, &c.index, startup,
                                            host.basicSuite(), &c.filter, &c.info);
    return c;
}

bool untouched(const void* p, std::size_t size) {
    const auto* b = static_cast<const unsigned char*>(p);
    for (std::size_t i = 0; i < size; ++i)
        if (b[i] != 0xAB) return false;
    return true;
}

TEST(GpuFilterEntry, StartupFillsOneFilterWithVersionOneAndNoMatchName) {
    SKIP_WITHOUT_GPU_FILTER();
    const EntryCall c = callEntry(0, 1);
    EXPECT_EQ(c.result, suiteError_NoError);
    EXPECT_EQ(c.index, 0);
    EXPECT_EQ(c.info.outInterfaceVersion, 1u);
    for (char ch : c.info.outMatchName) ASSERT_EQ(ch, '\0');
    const PrGPUFilter& started = gpuModules().filter->filter();
    EXPECT_EQ(c.filter.CreateInstance, started.CreateInstance);
    EXPECT_EQ(c.filter.Render, started.Render);
    for (auto fn : {reinterpret_cast<const void*>(c.filter.CreateInstance),
                    reinterpret_cast<const void*>(c.filter.DisposeInstance),
                    reinterpret_cast<const void*>(c.filter.GetFrameDependencies),
                    reinterpret_cast<const void*>(c.filter.Precompute),
                    reinterpret_cast<const void*>(c.filter.Render)}) {
        EXPECT_NE(fn, nullptr);
    }
}

TEST(GpuFilterEntry, ASecondFilterIsRefusedAndShutdownTouchesNothing) {
    SKIP_WITHOUT_GPU_FILTER();
    const EntryCall second = callEntry(1, 1);
    EXPECT_EQ(second.result, suiteError_InvalidParms);
    EXPECT_EQ(second.index, 1);
    EXPECT_EQ(second.filter.Render, gpuModules().filter->filter().Render);  // the table is filled first

    const EntryCall shutdown = callEntry(0, 0);
    EXPECT_EQ(shutdown.result, suiteError_NoError);
    EXPECT_TRUE(untouched(&shutdown.filter, sizeof shutdown.filter));
    EXPECT_TRUE(untouched(&shutdown.info, sizeof shutdown.info));
}

}  // namespace
}  // namespace duovis::gputest
