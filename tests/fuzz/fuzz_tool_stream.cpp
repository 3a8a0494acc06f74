// What the effect streams to the parallax tool, as the tool reads it: any bytes, the block first
// and then whatever pixels follow, handed out from a buffer of exactly their size. The reader
// either refuses with a message or builds two eye views of the eye frame's size, every sample
// a luma in 0..255, having read exactly the block and the layers it describes. No allocation
// may run ahead of the bytes that arrived: a block that promises a huge layer and sends a few
// bytes gets a few bytes' worth of memory.
#include <sanitizer/allocator_interface.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "EyeViews.h"
#include "FuzzSupport.h"

using namespace duovis;
using namespace depthscope;

namespace {

std::atomic<bool> watching{false};
std::atomic<std::size_t> largest{0};

void onMalloc(const volatile void*, std::size_t size) {
    if (!watching.load(std::memory_order_relaxed)) return;
    std::size_t seen = largest.load(std::memory_order_relaxed);
    while (size > seen && !largest.compare_exchange_weak(seen, size)) {
    }
}
void onFree(const volatile void*) {}

const int hooked = __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> stream(data, data + size);
    std::size_t at = 0;
    const ByteSource source = [&](unsigned char* into, int64_t want) -> int64_t {
        const std::size_t n =
            std::min(stream.size() - at, static_cast<std::size_t>(std::max<int64_t>(0, want)));
        if (n > 0) std::memcpy(into, stream.data() + at, n);
        at += n;
        return static_cast<int64_t>(n);
    };

    ToolBlock block;
    EyeViews views;
    std::string error;
    largest = 0;
    watching = true;
    const bool ok = readEyeViews(source, block, views, error);
    watching = false;

    // The first buffer step, and twice what arrived (a doubling buffer, then its luma image).
    fuzz::require(hooked != 0, "the allocation watch is installed");
    fuzz::require(largest <= (std::size_t(1) << 16) + 2 * size, "no allocation runs ahead of the bytes");
    const ToolBlock arrived =
        ToolBlock::fromBytes(stream.data(), std::min<std::size_t>(size, kToolBlockBytes));
    fuzz::require(block.slot == arrived.slot, "the block is what arrived of it");
    if (!ok) {
        fuzz::require(!error.empty(), "a refusal says why");
        return 0;
    }

    const LayerDesc primary = LayerDesc::fromBlock(block, TOOL_SLOT_PRIMARY);
    const LayerDesc secondary = LayerDesc::fromBlock(block, TOOL_SLOT_SECONDARY);
    const int64_t expected =
        kToolBlockBytes + primary.byteCount() + (secondary.present() ? secondary.byteCount() : 0);
    fuzz::require(static_cast<int64_t>(at) == expected, "the block and its layers are read, nothing more");
    fuzz::require(views.eye.width >= 8 && views.eye.height >= 8, "an eye frame that can be measured");
    fuzz::require(views.eye.width <= primary.width && views.eye.height <= primary.height,
                  "the eye frame lies inside the primary layer");
    for (const cv::Mat* eye : {&views.left, &views.right}) {
        fuzz::require(eye->type() == CV_32F && eye->cols == views.eye.width && eye->rows == views.eye.height,
                      "an eye view of the eye frame's size");
        fuzz::require(cv::checkRange(*eye, true, nullptr, 0.0, 255.0 + 1e-3),
                      "every sample is a luma in 0..255");
    }
    return 0;
}
