// A duovis built where no OpenCL loader was found has no GPU engine.
#include <stdexcept>

#include "GpuRender.h"

namespace duovis::cli {

std::unique_ptr<GpuRender> makeGpuRender(session::RenderJob&, Engine engine) {
    throw std::runtime_error(std::string("--engine ") + (engine == Engine::Cuda ? "cuda" : "opencl") +
                             ": this duovis was built without the GPU host (no OpenCL loader)");
}

}  // namespace duovis::cli
