// The stereo kernel through the OpenCL back end on the local OpenCL device (PoCL on the CPU
// here), beside the host's CPU render on the same 1920 x 1080 eye and the same cases as
// bench_kernel. Per case three rows, in this order:
//   cpu            runCpuTransformKernel, one thread
//   opencl_kernel  the launch and clFinish: the kernel alone, frames already on the device
//   opencl_total   both eyes written to the device, the launch, the output read back
//   cuda_kernel, cuda_total   the same through CUDA, where built with it and a device exists
// Times are wall-clock milliseconds per frame (the device runs on its own threads).
#include "BenchCases.h"
#include "KernelDispatch.h"
#include "core/frame/KernelSetup.h"
#include "core/kernel/CpuKernelDispatch.h"
#include "core/params/Codes.h"

#include <CL/cl.h>
#include <benchmark/benchmark.h>

#if DUOVIS_BENCH_CUDA
#include <cuda_runtime.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifndef DUOVIS_BENCH_CUDA
#define DUOVIS_BENCH_CUDA 0
#endif

namespace duovis {
namespace {

constexpr int32_t kW = 1920;
constexpr int32_t kH = 1080;

struct Device {
    cl_context context = nullptr;
    cl_device_id device = nullptr;
    cl_command_queue queue = nullptr;
    cl_kernel kernel = nullptr;
    std::string name;
};

const Device& device() {
    static const Device d = [] {
        Device r;
        cl_platform_id platform = nullptr;
        cl_uint n = 0;
        if (clGetPlatformIDs(1, &platform, &n) != CL_SUCCESS || n == 0) return r;
        if (clGetDeviceIDs(platform, CL_DEVICE_TYPE_ALL, 1, &r.device, &n) != CL_SUCCESS || n == 0) return r;
        char text[256] = {};
        clGetDeviceInfo(r.device, CL_DEVICE_NAME, sizeof text - 1, text, nullptr);
        r.name = text;
        cl_int error = CL_SUCCESS;
        r.context = clCreateContext(nullptr, 1, &r.device, nullptr, nullptr, &error);
        if (error != CL_SUCCESS) return r;
        r.queue = clCreateCommandQueue(r.context, r.device, 0, &error);
        if (error != CL_SUCCESS) return r;
        r.kernel = gpu::prepareOpenClKernel(r.context, r.device, 0);
        return r;
    }();
    return d;
}

// Noise in 0..1 as float channels, or the same count of bytes for half-float frames.
std::vector<float> makeFrame(size_t floats, uint32_t seed) {
    std::vector<float> f(floats);
    uint32_t s = seed;
    for (float& c : f) {
        s = s * 1664525u + 1013904223u;
        c = float(s >> 8) / float(1u << 24);
    }
    return f;
}

enum class Engine { Cpu, OpenClKernel, OpenClTotal, CudaKernel, CudaTotal };

struct Case {
    ParamValues values;
    int displayCode;
    bool half;
};

// One case's frames in host memory and the kernel's arguments over them.
struct HostFrames {
    size_t eyeBytes = 0, outBytes = 0;
    std::vector<float> left, right, dst;
    TransformKernelArgs args;
};

HostFrames makeHostFrames(const Case& c) {
    const int bytesPerPixel = c.half ? 8 : 16;
    const EyeSize eye{kW, kH};
    const OutputSize out = computeOutputSize(eye, c.displayCode);
    HostFrames h;
    h.eyeBytes = size_t(kW) * kH * size_t(bytesPerPixel);
    h.outBytes = size_t(out.width) * size_t(out.height) * size_t(bytesPerPixel);
    h.left = makeFrame(h.eyeBytes / 4, 1);
    h.right = makeFrame(h.eyeBytes / 4, 2);
    h.dst.resize(h.outBytes / 4);
    if (c.half) {
        // Half floats of the noise's bytes would hold NaNs and infinities; give them real values.
        for (auto* f : {&h.left, &h.right}) {
            auto* half = reinterpret_cast<uint16_t*>(f->data());
            for (size_t i = 0; i < h.eyeBytes / 2; ++i)
                half[i] = uint16_t(0x3000u + (i * 2654435761u >> 20) % 0x0c00u);
        }
    }
    KernelFrames frames;
    frames.primary = KernelFrame{h.left.data(), kW, kW, kH};
    frames.secondary = KernelFrame{h.right.data(), kW, kW, kH};
    frames.destination = h.dst.data();
    frames.destinationPitch = out.width;
    frames.halfFloat = c.half;
    h.args = fillKernelArgs(c.values, frames, c.displayCode, eye, out, 0);
    return h;
}

void runCpu(benchmark::State& state, HostFrames& h) {
    // DUOVIS_CPU_TARGET pins the instruction set, as it does the module's.
    const CpuKernelTarget target = pinnedCpuKernelTarget(std::getenv("DUOVIS_CPU_TARGET"));
    for (auto _ : state) {
        runCpuTransformKernel(h.args, CpuPixelFormat::Bgra32f, {}, target);
        benchmark::DoNotOptimize(h.dst.data());
        benchmark::ClobberMemory();
    }
}

#if DUOVIS_BENCH_CUDA
void runCuda(benchmark::State& state, HostFrames& h, bool withCopies) {
    int devices = 0;
    if (cudaGetDeviceCount(&devices) != cudaSuccess || devices == 0) {
        state.SkipWithError("no CUDA device");
        return;
    }
    void *dl = nullptr, *dr = nullptr, *dd = nullptr;
    cudaMalloc(&dl, h.eyeBytes);
    cudaMalloc(&dr, h.eyeBytes);
    cudaMalloc(&dd, h.outBytes);
    cudaMemcpy(dl, h.left.data(), h.eyeBytes, cudaMemcpyHostToDevice);
    cudaMemcpy(dr, h.right.data(), h.eyeBytes, cudaMemcpyHostToDevice);
    TransformKernelArgs args = h.args;
    args.inImageL = dl;
    args.inImageR = dr;
    args.inImageD = dd;
    bool ok = true;
    for (auto _ : state) {
        if (withCopies) {
            cudaMemcpy(dl, h.left.data(), h.eyeBytes, cudaMemcpyHostToDevice);
            cudaMemcpy(dr, h.right.data(), h.eyeBytes, cudaMemcpyHostToDevice);
        }
        ok = gpu::launchCudaKernel(args) && ok;  // waits for the device
        if (withCopies) cudaMemcpy(h.dst.data(), dd, h.outBytes, cudaMemcpyDeviceToHost);
    }
    cudaFree(dl);
    cudaFree(dr);
    cudaFree(dd);
    if (!ok) state.SkipWithError("launch failed");
}
#endif

void runOpenCl(benchmark::State& state, HostFrames& h, bool withCopies) {
    const Device& d = device();
    if (!d.kernel) {
        state.SkipWithError("no OpenCL device with the stereo kernel");
        return;
    }
    cl_int error = CL_SUCCESS;
    cl_mem bl = clCreateBuffer(d.context, CL_MEM_READ_ONLY, h.eyeBytes, nullptr, &error);
    cl_mem br = clCreateBuffer(d.context, CL_MEM_READ_ONLY, h.eyeBytes, nullptr, &error);
    cl_mem bd = clCreateBuffer(d.context, CL_MEM_READ_WRITE, h.outBytes, nullptr, &error);
    clEnqueueWriteBuffer(d.queue, bl, CL_TRUE, 0, h.eyeBytes, h.left.data(), 0, nullptr, nullptr);
    clEnqueueWriteBuffer(d.queue, br, CL_TRUE, 0, h.eyeBytes, h.right.data(), 0, nullptr, nullptr);
    TransformKernelArgs args = h.args;
    std::memcpy(&args.inImageL, &bl, sizeof bl);
    std::memcpy(&args.inImageR, &br, sizeof br);
    std::memcpy(&args.inImageD, &bd, sizeof bd);
    bool ok = true;
    for (auto _ : state) {
        if (withCopies) {
            clEnqueueWriteBuffer(d.queue, bl, CL_FALSE, 0, h.eyeBytes, h.left.data(), 0, nullptr, nullptr);
            clEnqueueWriteBuffer(d.queue, br, CL_FALSE, 0, h.eyeBytes, h.right.data(), 0, nullptr, nullptr);
        }
        ok = gpu::launchOpenClKernel(d.kernel, d.queue, args) && ok;
        if (withCopies) {
            clEnqueueReadBuffer(d.queue, bd, CL_TRUE, 0, h.outBytes, h.dst.data(), 0, nullptr, nullptr);
        } else {
            clFinish(d.queue);
        }
    }
    clReleaseMemObject(bl);
    clReleaseMemObject(br);
    clReleaseMemObject(bd);
    if (!ok) state.SkipWithError("launch failed");
}

void run(benchmark::State& state, const Case& c, Engine engine) {
    HostFrames h = makeHostFrames(c);
    if (engine == Engine::Cpu) {
        runCpu(state, h);
    } else if (engine == Engine::CudaKernel || engine == Engine::CudaTotal) {
#if DUOVIS_BENCH_CUDA
        runCuda(state, h, engine == Engine::CudaTotal);
#endif
    } else {
        runOpenCl(state, h, engine == Engine::OpenClTotal);
    }
    // Both eyes read once and the output written once: the least a frame can move.
    const double traffic = 2.0 * double(h.eyeBytes) + double(h.outBytes);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(traffic));
}

void registerCase(const std::string& name, const Case& c, bool withCpu) {
    const struct {
        const char* suffix;
        Engine engine;
    } engines[] = {{"cpu", Engine::Cpu},
                   {"opencl_kernel", Engine::OpenClKernel},
                   {"opencl_total", Engine::OpenClTotal},
                   {"cuda_kernel", Engine::CudaKernel},
                   {"cuda_total", Engine::CudaTotal}};
    for (const auto& e : engines) {
        if (e.engine == Engine::Cpu && !withCpu) continue;
        const bool cuda = e.engine == Engine::CudaKernel || e.engine == Engine::CudaTotal;
        if (cuda && !(DUOVIS_BENCH_CUDA && gpu::cudaKernelBuilt())) continue;
        benchmark::RegisterBenchmark((name + "/" + e.suffix).c_str(),
                                     [c, engine = e.engine](benchmark::State& s) { run(s, c, engine); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
}

void registerAll() {
    for (int code : {DISPLAY_LEFT, DISPLAY_SBS_FULL, DISPLAY_INTERLACED, DISPLAY_ANAGLYPH}) {
        registerCase("IdentityFloat/display:" + std::to_string(code),
                     Case{ParamValues::defaults(), code, false}, true);
    }
    registerCase("RotatedKeystonedAutoFloat", Case{bench::rotatedKeystoned(), DISPLAY_ANAGLYPH, false}, true);
    // The editing host's other device format; the CPU render has no half-float path.
    registerCase("IdentityHalf/display:7", Case{ParamValues::defaults(), DISPLAY_ANAGLYPH, true}, false);
}

}  // namespace
}  // namespace duovis

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    std::printf("OpenCL device: %s\n",
                duovis::device().name.empty() ? "none" : duovis::device().name.c_str());
    duovis::registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
