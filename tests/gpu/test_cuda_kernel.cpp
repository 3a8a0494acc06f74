// The CUDA back end against the core's device reference (half floats rounded to nearest) and
// against the OpenCL back end, on the same records as the OpenCL parity. Skipped where the
// CUDA runtime sees no device; the no-device behaviour itself is checked there instead.
#include "GpuParity.h"
#include "KernelDispatch.h"
#include "OpenClDevice.h"

#include <cuda_runtime.h>
#include <gtest/gtest.h>

#include <iostream>

namespace duovis::gpu::test {
namespace {

int cudaDevices() {
    int count = 0;
    if (cudaGetDeviceCount(&count) != cudaSuccess) count = 0;
    cudaGetLastError();
    return count;
}

#define REQUIRE_CUDA_DEVICE() \
    if (cudaDevices() == 0) GTEST_SKIP() << "the CUDA runtime reports no device"

// As for OpenCL: single precision on both sides, with the double-precision sub-expressions
// of the CUDA build (auto pre-mapping halves, lens divisions, optimized-anaglyph weights)
// moving values by an ulp or so.
constexpr double kFloatTolerance = 5e-5;
constexpr double kHalfTolerance = 1.0 / 1024.0;

void* toDevice(const HostFrame& f) {
    void* p = nullptr;
    if (cudaMalloc(&p, f.bytes()) != cudaSuccess) return nullptr;
    cudaMemcpy(p, f.data(), f.bytes(), cudaMemcpyHostToDevice);
    return p;
}

HostFrame runOnCuda(const CaseFrames& frames, bool* launched) {
    HostFrame out = frames.destination;
    void* primary = toDevice(frames.primary);
    void* secondary = frames.hasSecondary ? toDevice(frames.secondary) : nullptr;
    void* destination = toDevice(frames.destination);
    TransformKernelArgs a = frames.args;
    a.inImageL = primary;
    a.inImageR = secondary;
    a.inImageD = destination;
    *launched = launchCudaKernel(a);
    cudaMemcpy(out.data(), destination, out.bytes(), cudaMemcpyDeviceToHost);
    cudaFree(primary);
    cudaFree(secondary);
    cudaFree(destination);
    return out;
}

TEST(CudaKernel, BuiltIntoTheLibrary) {
    EXPECT_TRUE(cudaKernelBuilt());
}

TEST(CudaKernel, LaunchFailsCleanlyWithoutADevice) {
    if (cudaDevices() > 0) GTEST_SKIP() << "a CUDA device is present";
    TransformKernelArgs args;
    args.inWidthLP = 16;
    args.inHeightLP = 16;
    EXPECT_FALSE(launchCudaKernel(args));
}

// Half-float stores round to nearest (ties to even) in the CUDA kernel, where OpenCL rounds
// toward zero.
TEST(CudaKernel, HalfStoresRoundToNearest) {
    if (cudaDevices() == 0) GTEST_SKIP() << "the CUDA runtime reports no device";
    const CaseFrames frames = halfwayBlendCase();
    bool launched = false;
    const HostFrame out = runOnCuda(frames, &launched);
    ASSERT_TRUE(launched);
    int wrong = 0;
    for (int32_t r = 0; r < out.height(); ++r)
        for (int32_t c = 0; c < out.width(); ++c)
            for (int k = 0; k < 4; ++k) wrong += halfAt(out, c, r, k) != 0x3C00;
    EXPECT_EQ(wrong, 0) << "first pixel holds 0x" << std::hex << halfAt(out, 0, 0, 0);
}

class CudaParity : public ::testing::TestWithParam<ParityParam> {};

TEST_P(CudaParity, MatchesDeviceReference) {
    REQUIRE_CUDA_DEVICE();
    const ParityParam& p = GetParam();
    CaseFrames frames = prepareCase(p.c, p.half);
    bool launched = false;
    const HostFrame device = runOnCuda(frames, &launched);
    ASSERT_TRUE(launched);
    const Difference d = compareWithReference(device, frames, HalfRounding::NearestEven,
                                              p.half ? kHalfTolerance : kFloatTolerance);
    std::cout << "[ parity ] CUDA " << caseName(p) << ": " << d << "\n";
    EXPECT_EQ(d.over, 0u) << d;
}

// The two back ends on the same float record. Half-float frames differ by design (toward zero
// against to nearest), so only float frames are compared directly.
TEST_P(CudaParity, MatchesOpenCl) {
    REQUIRE_CUDA_DEVICE();
    const ParityParam& p = GetParam();
    if (p.half) GTEST_SKIP() << "half-float stores round differently by design";
    const int32_t code = p.c.displayCode;
    if (code == 2 || code == 4) GTEST_SKIP() << "which of two competing stores remains is each device's own";
    const OpenClDevice& cl = openClDevice();
    if (!cl.failure.empty()) GTEST_SKIP() << cl.failure;
    CaseFrames frames = prepareCase(p.c, false);
    bool cudaLaunched = false, openClLaunched = false;
    const HostFrame cuda = runOnCuda(frames, &cudaLaunched);
    const HostFrame openCl = runOnOpenCl(cl, cl.kernel, cl.queue, frames, &openClLaunched);
    ASSERT_TRUE(cudaLaunched);
    ASSERT_TRUE(openClLaunched);
    const Difference d = compareFrames(cuda, openCl, 2 * kFloatTolerance);
    std::cout << "[ parity ] CUDA vs OpenCL " << caseName(p) << ": " << d << "\n";
    EXPECT_EQ(d.over, 0u) << d;
}

INSTANTIATE_TEST_SUITE_P(DisplayCodes, CudaParity, ::testing::ValuesIn(inBothFormats(displayCodeCases())),
                         paramName);
INSTANTIATE_TEST_SUITE_P(Settings, CudaParity, ::testing::ValuesIn(inBothFormats(settingCases())), paramName);

}  // namespace
}  // namespace duovis::gpu::test
