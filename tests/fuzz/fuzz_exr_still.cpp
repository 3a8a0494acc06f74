// OpenEXR files: scanline or tiled, half or float, one view, a multi-view left and right
// or parts named by view, data windows inside or outside the display window.
// The checks are the still families' own (StillFuzz.h).
#include <new>

#include "StillFuzz.h"

// OpenEXR allocates an attribute of a type it does not know at the size its header declares
// (up to 2 GB, as new[]) before reading it, and only then finds the file short: a cost of the
// library, not of our reader. Here such arrays fail at once, as they would where memory is
// short, and the reader reports that; the run explores instead of paging. Everything else
// goes to the sanitizer's allocator as before.
constexpr std::size_t kLargestArray = std::size_t{256} << 20;

void* operator new[](std::size_t size) {
    if (size > kLargestArray) throw std::bad_alloc();
    return ::operator new(size);
}
void operator delete[](void* p) noexcept {
    ::operator delete(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    ::operator delete(p);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return duovis::fuzz::fuzzStill(duovis::media::exrStillFormat(), data, size);
}
