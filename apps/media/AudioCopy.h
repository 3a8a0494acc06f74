#pragma once
// A source's audio copied packet for packet into a video being written, timed as the video
// is: the source's time of the first frame written is the output's time 0. Packets before
// it that decoders need to start (AAC's priming, at negative times) go along, with their
// side data, so the audio decodes to the same samples.

extern "C" {
#include <libavformat/avformat.h>
}

#include <memory>
#include <string>

#include "media/StreamMeta.h"

namespace duovis::media {

class AudioCopy {
  public:
    // The best audio stream of `source`; null where it has none. Throws naming the file when
    // it cannot be read.
    static std::unique_ptr<AudioCopy> open(const std::string& source, MediaTime origin);
    ~AudioCopy();
    AudioCopy(const AudioCopy&) = delete;
    AudioCopy& operator=(const AudioCopy&) = delete;

    const AVCodecParameters& parameters() const;
    // A stream like the source's in `out`, whose header is not yet written.
    void addStream(AVFormatContext* out);
    // Writes the packets that start before output time `until` (ticks of `base`); an error
    // code when the container refuses one, else 0.
    int copyUntil(AVFormatContext* out, long long until, AVRational base);

  private:
    AudioCopy() = default;
    AVFormatContext* in_ = nullptr;
    int stream_ = -1;
    AVStream* out_ = nullptr;
    AVPacket* held_ = nullptr;  // read, but later than the video written so far
    long long origin_ = 0;      // the first frame's time, in the source stream's time base
};

}  // namespace duovis::media
