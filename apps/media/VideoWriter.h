#pragma once
// A video file written through FFmpeg's libraries, the container by the name's extension (or
// y4m on standard output for "-"). The file is written as OutputFile writes every output, and
// moved into place when finished, so a failed encode leaves no partial output.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "media/OutputFile.h"
#include "media/Picture.h"
#include "media/StereoLayout.h"
#include "media/StreamMeta.h"

namespace duovis::media {

struct VideoSettings {
    // "" for the default: H.264 where the build has libx264, else FFV1. FFmpeg's encoder names
    // (libx264, libx265, prores_ks) are taken as well.
    std::string codec;
    std::optional<int> crf;
    std::optional<long long> bitrate;  // bits a second
    std::string preset;                // x264's and x265's, "" for theirs
    int rateNum = 24;
    int rateDen = 1;
    int timeBaseNum = 0;  // the input's time base, kept where the container allows; 0 for 1/rate
    int timeBaseDen = 1;
    int bits = 8;         // the frames' depth: deeper ones get a 10-bit format where the codec has one
    StereoLayout layout;  // written as stereo side data on side-by-side and top-bottom outputs
    std::optional<DisplayMatrix> rotation;  // kept where the container can (carriesRotation)
    // Audio copied unchanged from this file, shifted as the video is: the source's time
    // `audioOrigin`, the first frame's, is the output's time 0.
    std::string audioFrom;
    MediaTime audioOrigin;
    PipeFormat pipe = PipeFormat::Y4m;  // for "-"
};

class VideoWriter {
  public:
    // Throws naming the file or the option: whatever checkVideoSettings refuses, or settings
    // the encoder refuses. `mode` says whether an existing file, even one that appears during
    // the encode, is replaced.
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

// Throws one line where `settings` cannot make the video `path`, before anything is encoded: a
// codec not in this build, an option out of the codec's range, or a container that cannot hold
// the codec or the source's audio.
void checkVideoSettings(const std::string& path, const VideoSettings& settings);

}  // namespace duovis::media
