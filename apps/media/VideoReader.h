#pragma once
// A video file (or y4m on standard input, named "-") read frame by frame through FFmpeg's
// libraries. Frames are counted as decoded, from 0; asking for one far ahead or behind seeks
// where the container allows.

#include <climits>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "media/Picture.h"
#include "media/StereoLayout.h"
#include "media/StreamMeta.h"

namespace duovis::media {

struct VideoInfo {
    int width = 0;
    int height = 0;
    int rateNum = 0;  // frames a second as a fraction
    int rateDen = 1;
    int timeBaseNum = 0;  // the stream's time base
    int timeBaseDen = 1;
    long long frames = -1;  // what the container declares, -1 when it does not
    int bits = 8;
    long long startPts = 0;                 // the stream's first time stamp, in its time base
    StereoLayout layout;                    // from the stream's stereo side data
    std::optional<DisplayMatrix> rotation;  // how players turn the frames; none when upright
    bool hasAudio = false;
};

// Where frame `index` stands on the stream's clock (at its regular place at the rate).
MediaTime frameTime(const VideoInfo& info, int index);

// Standard input as it comes: y4m, or raw frames of the size and rate given here.
struct PipeInput {
    PipeFormat format = PipeFormat::Y4m;
    int width = 0;
    int height = 0;
    int rateNum = 24;
    int rateDen = 1;
};

// What a reader refuses, and what it does with a damaged or truncated input.
struct ReadChecks {
    long long maxPixels = LLONG_MAX;  // a frame size declaring more is refused before decoding
    // Where set, damage is told here (one line naming the file and the frame) and the frames
    // that decode are kept; else the first damage throws.
    std::function<void(const std::string&)> damaged;
};

class VideoReader {
  public:
    // Throws naming the file and the library's reason.
    explicit VideoReader(const std::string& path, const PipeInput& pipe = {}, ReadChecks checks = {});
    ~VideoReader();
    VideoReader(const VideoReader&) = delete;
    VideoReader& operator=(const VideoReader&) = delete;

    const VideoInfo& info() const { return info_; }
    // Frame `index`; null when the stream ends before it. Throws when it cannot be decoded, is
    // damaged, is missing from a damaged or truncated file, or when the frame size or rate
    // changes mid-stream, naming the frame; an input without a frame throws at once.
    std::shared_ptr<const Frame> read(int index);
    // The order read() gives 8-bit frames' bytes in from now on (RGBA unless told).
    void deliverBytesIn(ByteOrder order);
    // Why frame `index`, which read() did not find, is not there: the video's frames, or empty
    // where damage allowed by ReadChecks was already told.
    std::string whyNoFrame(int index) const;
    // The frames the container declares, or once a read found the end, the frames there are;
    // -1 while neither is known.
    long long frameCount() const;

  private:
    void openDecoder();
    struct State;
    std::unique_ptr<State> s_;
    VideoInfo info_;
};

// Frame `index` asked of `name`, which has `count` frames.
std::string noSuchFrameText(const std::string& name, long long index, long long count);

// Whether `path` names a video container by its extension, or is "-" (standard input).
bool isVideoName(const std::string& path);

}  // namespace duovis::media
