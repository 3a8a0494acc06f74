// OpenEXR files: scanline or tiled, half or float, one view, a multi-view left and right
// or parts named by view, data windows inside or outside the display window.
// The checks are the still families' own (StillFuzz.h).
#include <cstdlib>
#include <new>

#include "StillFuzz.h"

// OpenEXR allocates an attribute (a string, or one of a type it does not know) at the size its
// header declares, up to 2 GB, before reading it, and only then finds the file short: a cost of
// the library, not of our reader. Here every allocation past 16 MB fails at once, as it would
// where memory is short, and the reader reports that; the run explores instead of paging. At
// the target's pixel limit no decode needs a block that large.
constexpr std::size_t kLargestBlock = std::size_t{16} << 20;
bool reading = false;  // libFuzzer's own tables are larger

extern "C" const char* __asan_default_options() {
    return "alloc_dealloc_mismatch=0";  // nothrow and aligned new stay the sanitizer's
}

void* operator new(std::size_t size) {
    void* p = size <= kLargestBlock || !reading ? std::malloc(size == 0 ? 1 : size) : nullptr;
    if (p == nullptr) throw std::bad_alloc();
    return p;
}
void* operator new[](std::size_t size) {
    return ::operator new(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    reading = true;
    const int keep = duovis::fuzz::fuzzStill(duovis::media::exrStillFormat(), data, size);
    reading = false;
    return keep;
}
