// The OpenCL back end on the local OpenCL device (PoCL here): the kernel against the core's
// device reference on realistic records, and the cache and launch rules around it.
#include "GpuParity.h"
#include "KernelDispatch.h"
#include "OpenClDevice.h"
#include "OpenClKernelCache.h"

#include "core/params/Codes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <iostream>
#include <thread>

namespace duovis::gpu::test {
namespace {

#define REQUIRE_OPENCL()                                                       \
    do {                                                                       \
        if (!openClDevice().failure.empty()) FAIL() << openClDevice().failure; \
    } while (0)

// The kernel and the reference run the same single-precision steps; they differ only where the
// OpenCL build's relaxed maths (division through a reciprocal, contraction) moves a value by an
// ulp or two. Sample positions then move by some 1e-5 pixel at most, which changes a blended
// value by under 1e-5 even across the noise (the worst seen on PoCL is 8e-6). Half-float stores
// round toward zero on both sides, so such a change can still tip a value to the neighbouring
// half float: one step, 2^-11 below 1 and 2^-10 up to 2.
constexpr double kFloatTolerance = 5e-5;
constexpr double kHalfTolerance = 1.0 / 1024.0;

class OpenClParity : public ::testing::TestWithParam<ParityParam> {};

TEST_P(OpenClParity, MatchesDeviceReference) {
    REQUIRE_OPENCL();
    const ParityParam& p = GetParam();
    const OpenClDevice& cl = openClDevice();
    CaseFrames frames = prepareCase(p.c, p.half);
    bool launched = false;
    const HostFrame device = runOnOpenCl(cl, cl.kernel, cl.queue, frames, &launched);
    ASSERT_TRUE(launched);
    const double tolerance = p.half ? kHalfTolerance : kFloatTolerance;
    const Difference d = compareWithReference(device, frames, HalfRounding::TowardZero, tolerance);
    std::cout << "[ parity ] OpenCL " << caseName(p) << ": " << d << "\n";
    EXPECT_EQ(d.over, 0u) << d;
}

INSTANTIATE_TEST_SUITE_P(DisplayCodes, OpenClParity, ::testing::ValuesIn(inBothFormats(displayCodeCases())),
                         paramName);
INSTANTIATE_TEST_SUITE_P(Settings, OpenClParity, ::testing::ValuesIn(inBothFormats(settingCases())),
                         paramName);

// Half-float stores round toward zero in the OpenCL program: a blend halfway between the largest
// half float below 1 and 1 stores as the one below.
TEST(OpenClHalfStores, RoundTowardZero) {
    REQUIRE_OPENCL();
    const OpenClDevice& cl = openClDevice();
    const CaseFrames frames = halfwayBlendCase();
    bool launched = false;
    const HostFrame out = runOnOpenCl(cl, cl.kernel, cl.queue, frames, &launched);
    ASSERT_TRUE(launched);
    int wrong = 0;
    for (int32_t r = 0; r < out.height(); ++r)
        for (int32_t c = 0; c < out.width(); ++c)
            for (int k = 0; k < 4; ++k) wrong += halfAt(out, c, r, k) != 0x3BFF;
    EXPECT_EQ(wrong, 0) << "first pixel holds 0x" << std::hex << halfAt(out, 0, 0, 0);
}

// ---------------------------------------------------------------------------------------------
// The per-device cache.

TEST(OpenClKernelCache, SecondPrepareOnOneDeviceReusesTheKernel) {
    REQUIRE_OPENCL();
    const OpenClDevice& cl = openClDevice();
    const int before = openClProgramBuilds();
    EXPECT_EQ(prepareOpenClKernel(cl.context, cl.device, 0), cl.kernel);
    EXPECT_EQ(openClProgramBuilds(), before);

    cl_kernel first = prepareOpenClKernel(cl.context, cl.device, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(openClProgramBuilds(), before + 1);
    EXPECT_EQ(prepareOpenClKernel(cl.context, cl.device, 1), first);
    EXPECT_EQ(openClProgramBuilds(), before + 1);
    EXPECT_NE(first, cl.kernel) << "slot 1 has a kernel of its own";
}

TEST(OpenClKernelCache, IndicesOutsideTheFiveSlotsAreRefused) {
    REQUIRE_OPENCL();
    const OpenClDevice& cl = openClDevice();
    const int before = openClProgramBuilds();
    EXPECT_EQ(prepareOpenClKernel(cl.context, cl.device, kKernelCacheSlots), nullptr);
    EXPECT_EQ(prepareOpenClKernel(cl.context, cl.device, -1), nullptr);
    EXPECT_EQ(openClProgramBuilds(), before) << "nothing is built for a refused index";
}

TEST(OpenClKernelCache, FailedBuildWritesTheLogAndLeavesTheSlotEmpty) {
    REQUIRE_OPENCL();
    const OpenClDevice& cl = openClDevice();
    const int before = openClProgramBuilds();
    ::testing::internal::CaptureStderr();
    cl_kernel broken = prepareOpenClKernelFromSource(cl.context, cl.device, 3,
                                                     "__kernel void TransformKernel(__global float* a) {\n"
                                                     "    a[0] = undeclared_name;\n"
                                                     "}\n");
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(broken, nullptr);
    EXPECT_NE(log.find("Build log"), std::string::npos) << log;
    EXPECT_NE(log.find("undeclared_name"), std::string::npos) << "the compiler's own message: " << log;

    // The slot stayed empty: the next preparation builds again, and succeeds.
    cl_kernel good = prepareOpenClKernel(cl.context, cl.device, 3);
    EXPECT_NE(good, nullptr);
    EXPECT_EQ(openClProgramBuilds(), before + 2);
}

TEST(OpenClKernelCache, AnotherContextOnTheSameIndexGetsItsOwnKernel) {
    REQUIRE_OPENCL();
    const OpenClDevice& cl = openClDevice();
    cl_int error = CL_SUCCESS;
    cl_context other = clCreateContext(nullptr, 1, &cl.device, nullptr, nullptr, &error);
    ASSERT_EQ(error, CL_SUCCESS);
    cl_command_queue queue = clCreateCommandQueue(other, cl.device, 0, &error);
    ASSERT_EQ(error, CL_SUCCESS);

    cl_kernel kernel = prepareOpenClKernel(other, cl.device, 0);
    ASSERT_NE(kernel, nullptr);
    EXPECT_NE(kernel, cl.kernel);

    // It renders in its own context.
    OpenClDevice view = cl;
    view.context = other;
    CaseFrames frames = prepareCase(displayCodeCases()[7], false);
    bool launched = false;
    const HostFrame device = runOnOpenCl(view, kernel, queue, frames, &launched);
    EXPECT_TRUE(launched);
    EXPECT_EQ(compareFrames(device, runReference(frames, HalfRounding::TowardZero), kFloatTolerance).over,
              0u);

    // Back to the first context: the process's first kernel is not handed out into the wrong
    // context, so this builds once more.
    const int before = openClProgramBuilds();
    cl_kernel again = prepareOpenClKernel(cl.context, cl.device, 0);
    EXPECT_NE(again, nullptr);
    EXPECT_NE(again, kernel);
    EXPECT_EQ(openClProgramBuilds(), before + 1);
    clReleaseCommandQueue(queue);
}

// ---------------------------------------------------------------------------------------------
// The launch.

TEST(OpenClLaunch, MissingKernelOrQueueFails) {
    REQUIRE_OPENCL();
    const OpenClDevice& cl = openClDevice();
    const TransformKernelArgs args;
    EXPECT_FALSE(launchOpenClKernel(nullptr, cl.queue, args));
    EXPECT_FALSE(launchOpenClKernel(cl.kernel, nullptr, args));
}

TEST(OpenClLaunch, RefusedArgumentFailsTheLaunch) {
    REQUIRE_OPENCL();
    const OpenClDevice& cl = openClDevice();
    // A kernel under the right name with too few parameters: argument 3 is refused, so the
    // launch must not go ahead with whatever the earlier arguments left.
    cl_kernel shortKernel = prepareOpenClKernelFromSource(
        cl.context, cl.device, 4,
        "__kernel void TransformKernel(__global const float4* a, __global const float4* b,\n"
        "                              __global float4* d) { d[0] = a[0]; }\n");
    ASSERT_NE(shortKernel, nullptr);
    CaseFrames frames = prepareCase(displayCodeCases()[0], false);
    bool launched = true;
    runOnOpenCl(openClDevice(), shortKernel, cl.queue, frames, &launched);
    EXPECT_FALSE(launched);
}

// Two renders on one device share the cached kernel object. Each thread renders its own case
// over and over on its own queue, only enqueueing (reset, launch, read back) so that the two
// threads' argument setting overlaps as much as it can; any mixing of their arguments shows
// as a wrong frame. The frames are small, so that the device's work does not keep the two
// threads apart, and equal in size, so that a mixed record stays inside them.
TEST(OpenClLaunch, ConcurrentRendersOnOneKernelKeepTheirArguments) {
    REQUIRE_OPENCL();
    const OpenClDevice& cl = openClDevice();
    const std::vector<ParityCase> settings = settingCases();
    ParityCase one = settings[1], other = settings[5];  // rotations, shifts: different records
    one.primary = one.secondary = other.primary = other.secondary = LayerSize{24, 16};
    one.displayCode = DISPLAY_ANAGLYPH;
    other.displayCode = DISPLAY_DIFFERENCE;
    CaseFrames frames[2] = {prepareCase(one, false), prepareCase(other, false)};
    const HostFrame reference[2] = {runReference(frames[0], HalfRounding::TowardZero),
                                    runReference(frames[1], HalfRounding::TowardZero)};
    ASSERT_GT(compareFrames(reference[0], reference[1], kFloatTolerance).over, 0u);
    std::atomic<int> ready{0};
    constexpr int kRenders = 300;
    std::atomic<int> failed{0}, wrong{0};
    const auto work = [&](int t) {
        const CaseFrames& f = frames[t];
        cl_int error = CL_SUCCESS;
        cl_command_queue queue = clCreateCommandQueue(cl.context, cl.device, 0, &error);
        cl_mem primary = uploadFrame(cl.context, f.primary);
        cl_mem secondary = uploadFrame(cl.context, f.secondary);
        cl_mem destination = uploadFrame(cl.context, f.destination);
        if (error != CL_SUCCESS || !primary || !secondary || !destination) {
            ++failed;
            return;
        }
        const TransformKernelArgs args = withBuffers(f.args, primary, secondary, destination);
        std::vector<HostFrame> out(kRenders, f.destination);
        ++ready;
        while (ready.load() < 2) std::this_thread::yield();
        for (int i = 0; i < kRenders; ++i) {
            clEnqueueWriteBuffer(queue, destination, CL_FALSE, 0, f.destination.bytes(), f.destination.data(),
                                 0, nullptr, nullptr);
            if (!launchOpenClKernel(cl.kernel, queue, args)) ++failed;
            clEnqueueReadBuffer(queue, destination, CL_FALSE, 0, out[size_t(i)].bytes(),
                                out[size_t(i)].data(), 0, nullptr, nullptr);
        }
        clFinish(queue);
        for (const HostFrame& o : out) {
            if (compareFrames(o, reference[t], kFloatTolerance).over != 0) ++wrong;
        }
        clReleaseMemObject(primary);
        clReleaseMemObject(secondary);
        clReleaseMemObject(destination);
        clReleaseCommandQueue(queue);
    };
    std::thread t0(work, 0), t1(work, 1);
    t0.join();
    t1.join();
    EXPECT_EQ(failed.load(), 0);
    EXPECT_EQ(wrong.load(), 0) << "renders with another render's arguments";
}

}  // namespace
}  // namespace duovis::gpu::test
