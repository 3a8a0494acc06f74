#pragma once
// A video file written through FFmpeg's libraries, the container by the name's extension (or
// y4m on standard output for "-"). The file is written as OutputFile writes every output, and
// moved into place when finished, so a failed encode leaves no partial output.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "OutputFile.h"
#include "Picture.h"
#include "StereoLayout.h"

namespace duovis::media {

struct VideoSettings {
    std::string codec;  // "" for the default: H.264 where the build has libx264, else FFV1
    std::optional<int> crf;
    std::optional<long long> bitrate;  // bits a second
    int rateNum = 24;
    int rateDen = 1;
    int timeBaseNum = 0;  // the input's time base, kept where the container allows; 0 for 1/rate
    int timeBaseDen = 1;
    int bits = 8;         // the frames' depth: deeper ones get a 10-bit format where the codec has one
    StereoLayout layout;  // written as stereo side data on side-by-side and top-bottom outputs
    // Audio copied unchanged from this file, from `audioStartFrame` on (in frames at the rate).
    std::string audioFrom;
    int audioStartFrame = 0;
    PipeFormat pipe = PipeFormat::Y4m;  // for "-"
};

class VideoWriter {
  public:
    // Throws naming the file: an unknown container, a codec not in this build (listing those
    // that are), or settings the codec refuses. `mode` says whether an existing file, even one
    // that appears during the encode, is replaced.
    VideoWriter(const std::string& path, const VideoSettings& settings, int width, int height,
                SaveMode mode = SaveMode::Replace);
    ~VideoWriter();  // removes the temporary file unless finish() succeeded
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    void write(const Picture& picture);
    // Flushes the encoder, writes the trailer and renames the file into place.
    void finish();

  private:
    struct State;
    std::unique_ptr<State> s_;
};

// The codecs --codec accepts that this build can encode.
std::vector<std::string> availableVideoCodecs();

}  // namespace duovis::media
