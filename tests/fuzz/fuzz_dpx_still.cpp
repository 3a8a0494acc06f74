// DPX files, decoded by FFmpeg's image codec: 8-, 10-, 12- and 16-bit, either byte order.
// The checks are the still families' own (StillFuzz.h).
#include "StillFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return duovis::fuzz::fuzzStill(duovis::media::dpxStillFormat(), data, size);
}
