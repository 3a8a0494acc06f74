// Filter instances per device: creation, the shared device program, the suites they hold and
// the devices they decline.
#define CL_TARGET_OPENCL_VERSION 120
#include <CL/cl.h>

#include "GpuFixture.h"

namespace duovis::gputest {
namespace {

// Program objects hold their context, so the context's count shows whether a program was made.
cl_uint contextReferences(csSDK_uint32 deviceIndex) {
    const PrGPUDeviceInfo info = DeviceTable::instance().at(deviceIndex)->info();
    cl_uint count = 0;
    clGetContextInfo(static_cast<cl_context>(info.outContextHandle), CL_CONTEXT_REFERENCE_COUNT, sizeof count,
                     &count, nullptr);
    return count;
}

TEST(GpuInstance, LaterInstancesOnADeviceShareItsProgram) {
    SKIP_WITHOUT_GPU_FILTER();
    const auto device = csSDK_uint32(gpuModules().device);
    GpuSession first(device);
    ASSERT_EQ(first.effect.create(), suiteError_NoError);
    EXPECT_NE(first.effect.instanceRecord().ioPrivatePluginData, nullptr);

    const cl_uint before = contextReferences(device);
    {
        GpuSession second(device);
        ASSERT_EQ(second.effect.create(), suiteError_NoError);
        EXPECT_EQ(contextReferences(device), before) << "the second instance built its own program";
    }
    // A device index not seen before builds once, then shares too.
    DeviceTable::instance().repeatUpTo(device + 2, device);
    GpuSession other(device + 1);
    ASSERT_EQ(other.effect.create(), suiteError_NoError);
    EXPECT_EQ(contextReferences(device), before + 1);
    GpuSession otherAgain(device + 1);
    ASSERT_EQ(otherAgain.effect.create(), suiteError_NoError);
    EXPECT_EQ(contextReferences(device), before + 1);
}

TEST(GpuInstance, SuitesAreHeldForTheInstancesLifeInOrder) {
    SKIP_WITHOUT_GPU_FILTER();
    GpuSession s;
    ASSERT_EQ(s.effect.create(), suiteError_NoError);
    std::vector<std::string> acquired;
    for (const std::string& line : s.host.log())
        if (line.rfind("acquire ", 0) == 0) acquired.push_back(line);
    EXPECT_EQ(acquired,
              (std::vector<std::string>{
                  "acquire MediaCore GPU Device Suite 2", "acquire MediaCore GPU Image Processing Suite 1",
                  "acquire Premiere Memory Manager Suite 4", "acquire Premiere PPix Suite 1",
                  "acquire Premiere PPix 2 Suite 3", "acquire PF Transition Suite 1",
                  "acquire MediaCore Video Segment Suite 5"}));
    EXPECT_EQ(s.host.outstandingSuites().size(), 7u);
    s.effect.dispose();
    EXPECT_TRUE(s.host.outstandingSuites().empty());
    EXPECT_EQ(s.effect.instanceRecord().ioPrivatePluginData, nullptr);
}

struct Declined {
    const char* what;
    csSDK_uint32 deviceIndex;  // relative to the first OpenCL device
    void (*fault)(refhost::gpu::GpuFaults&);
};

void PrintTo(const Declined& d, std::ostream* os) {
    *os << d.what;
}

class GpuInstanceDeclined : public ::testing::TestWithParam<Declined> {};

TEST_P(GpuInstanceDeclined, CreationFailsAndLeavesTheSlot) {
    SKIP_WITHOUT_GPU_FILTER();
    const Declined& d = GetParam();
    const auto device = csSDK_uint32(gpuModules().device) + d.deviceIndex;
    DeviceTable::instance().repeatUpTo(device + 1, csSDK_uint32(gpuModules().device));
    GpuSession s(device);
    if (d.fault) d.fault(s.host.faults());
    EXPECT_EQ(s.effect.create(), suiteError_Fail);
    EXPECT_FALSE(s.effect.created());
    EXPECT_EQ(s.effect.instanceRecord().ioPrivatePluginData, nullptr);
    // Whatever the declined object acquired went back with it.
    EXPECT_TRUE(s.host.outstandingSuites().empty());
    // Callbacks for an instance without an object answer, they do not crash.
    PrGPUFilterInstance record = s.effect.instanceRecord();
    PrGPUFilterFrameDependency dep{};
    const PrGPUFilterRenderParams params = s.effect.renderParams(0);
    csSDK_int32 query = 0;
    EXPECT_EQ(gpuModules().filter->filter().GetFrameDependencies(&record, &params, &query, &dep),
              suiteError_InvalidParms);
    PPixHand out = nullptr;
    EXPECT_EQ(gpuModules().filter->filter().Render(&record, &params, nullptr, 0, &out), suiteError_Fail);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, GpuInstanceDeclined,
    ::testing::Values(
        Declined{"DeviceIndexFive", 5, nullptr},
        Declined{"UnknownFramework", 0, [](refhost::gpu::GpuFaults& f) { f.frameworkOverride = 7; }},
        Declined{"DeviceInfoUnreadable", 0, [](refhost::gpu::GpuFaults& f) { f.deviceInfoFails = true; }},
        Declined{"NoDeviceSuite", 0,
                 [](refhost::gpu::GpuFaults& f) { f.refusedSuites.insert("MediaCore GPU Device Suite"); }}),
    [](const auto& tp) { return std::string(tp.param.what); });

TEST(GpuInstance, PrecomputeIsNotImplemented) {
    SKIP_WITHOUT_GPU_FILTER();
    GpuSession s;
    ASSERT_EQ(s.effect.create(), suiteError_NoError);
    PrGPUFilterInstance record = s.effect.instanceRecord();
    const PrGPUFilterRenderParams params = s.effect.renderParams(0);
    GpuHost::ScopedCurrent current(s.host);
    EXPECT_EQ(gpuModules().filter->filter().Precompute(&record, &params, 0, nullptr),
              suiteError_NotImplemented);
}

}  // namespace
}  // namespace duovis::gputest
