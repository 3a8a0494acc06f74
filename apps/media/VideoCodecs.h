#pragma once
// The codecs the video writer encodes with, by the names --codec takes, and the encoder
// options each accepts: one table, so the checks made before a render and the encoder agree.

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <string>

#include "media/VideoWriter.h"

namespace duovis::media {

struct CodecChoice {
    const char* name;     // what --codec takes, besides the encoder's own name
    const char* encoder;  // FFmpeg's encoder
    AVPixelFormat shallow;
    AVPixelFormat deep;  // for sources deeper than 8 bits
    bool evenSize;       // chroma subsampling needs even dimensions
    int crfMost;         // the highest --crf (0 is the lowest); -1 where there is no --crf
    bool takesRate;      // --bitrate and --preset: the x264 and x265 encoders
};

// The codec `settings` asks for to write `path` (the pipe's format for "-"). Throws naming
// --codec, and listing this build's codecs, when it lacks the one asked for.
const CodecChoice& chooseCodec(const VideoSettings& settings, const std::string& path);

// Throws one line naming the option, its value and what the codec takes.
void checkEncoderOptions(const CodecChoice& codec, const VideoSettings& settings);

// --crf, --bitrate and --preset set on an encoder not yet opened.
void applyEncoderOptions(const CodecChoice& codec, const VideoSettings& settings, AVCodecContext* context);

}  // namespace duovis::media
