#pragma once
// Whether a container takes the streams a video would have, found before anything is
// encoded by starting its header in memory: the muxer's own rules, which the codec tags
// alone do not tell (FLAC in MP4 is "experimental", Opus in MOV refused).

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <string>

#include "media/VideoCodecs.h"

namespace duovis::media {

// Throws one line naming `path` when its container cannot hold `video`, or the source's
// `audio` (null for none), naming the audio codec and the containers that hold both.
void checkContainerFits(const std::string& path, const CodecChoice& video, const AVCodecParameters* audio);

}  // namespace duovis::media
