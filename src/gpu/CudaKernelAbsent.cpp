// Built without nvcc: the module has no CUDA kernel, and a CUDA device is refused.
#include "KernelDispatch.h"

namespace duovis::gpu {

bool cudaKernelBuilt() {
    return false;
}

bool launchCudaKernel(const TransformKernelArgs&) {
    return false;
}

}  // namespace duovis::gpu
