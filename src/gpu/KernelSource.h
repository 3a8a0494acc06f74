// The stereo kernel's text as the OpenCL program source: generated at build time from
// core/kernel/StereoStages.clh, the same text the CUDA build compiles.
#pragma once

namespace duovis::gpu {

extern const char kTransformKernelSource[];

}  // namespace duovis::gpu
