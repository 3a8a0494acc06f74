// Raw RGBA frames on standard input (--pipe rgba or rgba64): the first bytes are what the
// user says of them (depth, size, rate), the rest is the stream, which may end mid-frame.
// The checks are the pipes' own (PipeFuzz.h).
#include "FuzzSupport.h"
#include "PipeFuzz.h"

using namespace duovis;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    media::PipeInput pipe;
    pipe.format = in.flag() ? media::PipeFormat::Rgba64 : media::PipeFormat::Rgba;
    pipe.width = in.range(1, 64);
    pipe.height = in.range(1, 64);
    // The rates --fps gives: whole, NTSC or in thousandths.
    constexpr int kDens[] = {1, 1001, 1000};
    pipe.rateDen = kDens[in.range(0, 2)];
    pipe.rateNum = in.range(1, 240) * (pipe.rateDen == 1 ? 1 : 1000);
    const std::vector<std::uint8_t> stream = in.rest();
    return fuzz::fuzzPipe(pipe, stream.data(), stream.size());
}
