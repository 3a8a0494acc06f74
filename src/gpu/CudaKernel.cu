// The CUDA back end: the stereo kernel compiled from the shared kernel text, and its launch.
// nvcc's host glue registers the fat binary and the kernel with the CUDA runtime when the
// module loads and unregisters them when it unloads.
#include "KernelDispatch.h"
#include "LaunchGeometry.h"

#include "core/kernel/StereoStages.clh"

#include <cuda_runtime.h>

namespace duovis::gpu {

namespace {

// Devices do not come and go while a process runs; the static runtime answers this without a
// driver too (with an error), so a machine without one refuses every launch cleanly.
bool devicePresent() {
    static const bool present = [] {
        int count = 0;
        const bool ok = cudaGetDeviceCount(&count) == cudaSuccess && count > 0;
        cudaGetLastError();  // the probe's own failure is not a render's error
        return ok;
    }();
    return present;
}

}  // namespace

bool cudaKernelBuilt() {
    return true;
}

bool launchCudaKernel(const TransformKernelArgs& args) {
    if (!devicePresent()) return false;
    // The record's layout is the parameter list's: three device pointers, then the 58
    // four-byte values, each at its own offset.
    TransformKernelArgs record = args;
    auto* base = reinterpret_cast<unsigned char*>(&record);
    void* params[kTransformKernelArgCount];
    for (int i = 0; i < kTransformKernelArgCount; ++i) params[i] = base + kernelArgOffset(i);

    const dim3 block(kBlockSide, kBlockSide, 1);
    const dim3 grid(cudaGridSize(args.inWidthLP), cudaGridSize(args.inHeightLP), 1);
    const cudaError_t launched =
        cudaLaunchKernel(reinterpret_cast<const void*>(&TransformKernel), grid, block, params, 0, nullptr);
    // Wait for the whole device whatever the launch said; a kernel fault shows in the last error.
    cudaDeviceSynchronize();
    // Taking the error clears it, so one failed render (say a zero-sized grid) does not fail
    // every render after it; faults that spoil the context stay reported by CUDA itself.
    const cudaError_t pending = cudaGetLastError();
    return launched == cudaSuccess && pending == cudaSuccess;
}

}  // namespace duovis::gpu
