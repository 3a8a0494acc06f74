// PNG files of every colour type and depth, expanded to 8- or 16-bit RGBA.
// The checks are the still families' own (StillFuzz.h).
#include "StillFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return duovis::fuzz::fuzzStill(duovis::media::pngStillFormat(), data, size);
}
