// OpenCV's pictures in large pages. A press builds several scale pyramids of a frame once each,
// so nearly every byte it allocates is touched for the first time: in ordinary 4 KiB pages that
// is tens of thousands of page faults, as costly as the feature search itself on a virtual
// machine. Large buffers come from their own mapping, marked for the kernel's huge pages.
#pragma once

#include <opencv2/core/mat.hpp>

#include <cstddef>

namespace depthscope {

// Buffers from this size up get a mapping of their own; smaller ones OpenCV's usual heap.
constexpr std::size_t kBigBufferBytes = std::size_t(1) << 21;

// The allocator (one for the process); it never changes what a Mat holds or how it is laid out.
cv::MatAllocator* bigBufferAllocator();

// Makes it the default for every Mat created from now on (Mats made before keep theirs).
void useBigBuffers();

}  // namespace depthscope
