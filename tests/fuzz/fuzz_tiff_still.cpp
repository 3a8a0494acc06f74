// TIFF files: strips read directly at 8, 16 and float 32 bits, everything else (tiles,
// separate planes, palettes, YCbCr) through libtiff's RGBA reader.
// The checks are the still families' own (StillFuzz.h).
#include "StillFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return duovis::fuzz::fuzzStill(duovis::media::tiffStillFormat(), data, size);
}
