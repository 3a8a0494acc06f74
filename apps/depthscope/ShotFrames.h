// The frames of a shot as eye views: a numbered sequence or a video for each eye, or one video
// whose stereo metadata says it packs both, read through the readers duovis uses and numbered
// as `duovis render --frames` numbers them (a sequence's own numbers, a video's from 0).
#pragma once

#include "EyeViews.h"
#include "session/FrameSequence.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace duovis::session {
class InputLayer;
}
namespace duovis::media {
class FrameReader;
}

namespace depthscope {

class ShotFrames {
  public:
    // The eyes as typed: a pattern, one numbered file standing for its sequence, or a video;
    // without `right`, `left` must be a video that packs both eyes. Throws std::runtime_error,
    // one line naming the input.
    ShotFrames(const std::string& left, const std::optional<std::string>& right, long long maxPixels);
    ~ShotFrames();
    ShotFrames(const ShotFrames&) = delete;
    ShotFrames& operator=(const ShotFrames&) = delete;

    // The frames `text` lists as --frames takes it, or every frame of the left eye; throws
    // naming the first frame an input lacks.
    duovis::session::FrameRange frames(const std::optional<std::string>& text) const;
    // The files on disk the shot reads.
    std::vector<std::string> files() const;
    // Frame `frame` of both eyes; false past the left eye's end where the range `mayEnd` there
    // (a video that does not say its length). Throws naming the file or the frame that cannot
    // be read.
    bool read(int frame, bool mayEnd, EyeViews& views);

  private:
    std::unique_ptr<duovis::session::InputLayer> left_, right_;
    std::unique_ptr<duovis::media::FrameReader> leftFrames_, rightFrames_;
    int packedMode_ = 0;  // the left video's "Demux Mode" popup value, where it packs both eyes
    bool rightFirst_ = false;
};

}  // namespace depthscope
