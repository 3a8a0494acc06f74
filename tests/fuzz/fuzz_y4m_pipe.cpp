// y4m on standard input, as `duovis render -` reads it: the stream says its size, rate and
// colour space. The checks are the pipes' own (PipeFuzz.h).
#include "PipeFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return duovis::fuzz::fuzzPipe(duovis::media::PipeInput{}, data, size);
}
