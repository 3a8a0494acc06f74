#pragma once
// The layers a render reads, checked before any frame is written (one frame size per layer,
// no output that is one of them), and the second layer's frames fetched as the effect asks
// for them, with the ones that are not there reported rather than painted over.

#include <QSize>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "Layer.h"
#include "media/FrameIO.h"
#include "media/StillFormat.h"
#include "session/FrameSequence.h"

namespace duovis::session {

class InputLayer {
  public:
    // `name` holds the bytes as typed: a still file, a numbered pattern, a video file or "-"
    // (y4m on standard input). A video is opened here, so its refusals come first; `checks`
    // hold its frames to the pixel limit and say what damage does.
    explicit InputLayer(std::string name, const media::PipeInput& pipe = {}, media::ReadChecks checks = {});

    const std::string& name() const { return name_; }
    const FrameSequence& sequence() const { return seq_; }
    bool isPattern() const { return seq_.isPattern(); }
    bool isVideo() const { return video_ != nullptr; }
    // Null unless isVideo().
    const media::VideoInfo* videoInfo() const { return video_ ? &video_->info() : nullptr; }
    // The layer's frames by number. Readers of a video share its one decoder, so one thread
    // at a time reads them; still files may have a reader each.
    std::unique_ptr<media::FrameReader> reader(qint64 maxPixels) const;
    // The file holding frame `frame`; a still's one file for every frame.
    std::string fileFor(int frame) const;
    // The files on disk that the layer reads, with their frame numbers.
    std::vector<std::pair<int, std::string>> filesOnDisk() const;
    const media::ReadChecks& checks() const { return checks_; }
    // A video's frames are paired by time with a timeline of `rate` frames a second.
    void pairByTime(double rate) { timelineRate_ = rate; }
    // The layer's own frame shown at frame `frame` of the timeline: itself, or for a video of
    // another rate, the frame whose time holds the timeline frame's.
    int frameAt(int frame) const;

  private:
    std::string name_;
    FrameSequence seq_;
    std::shared_ptr<media::VideoReader> video_;
    media::ReadChecks checks_;
    double timelineRate_ = 0;  // 0: frames are paired by number
};

// A reader for the times the effect asks for beyond the frame being rendered, apart from the
// decoder thread's: a video gets a second decoder, opened when first needed (none for
// standard input, which gives frames once).
std::shared_ptr<media::FrameReader> otherTimesReader(const InputLayer& layer, qint64 maxPixels);

// The one size of the layer's frames from `first` to `last` (a still's or a video's size), read
// from their headers; throws naming the first frame whose size differs.
QSize layerFrameSize(const InputLayer& layer, int first, int last);
// The header of the layer's file at frame `first` (its first file after that); the default
// header for a video or a file that is not there.
media::StillHeader layerStillHeader(const InputLayer& layer, int first);
// Whether the layer's files hold a left and a right view (two-view OpenEXR).
bool layerHasViews(const InputLayer& layer, int first);

// Throws when writing `output` (a name or pattern, frames `first` to `last`) would replace an
// input file (by device and inode, so links and other spellings count) or make a file that an
// input sequence would read later.
void refuseOutputOverInputs(const std::vector<const InputLayer*>& inputs, const QString& output, int first,
                            int last);

// What the effect asked of the second layer and did not get, during one frame.
struct SecondRequests {
    std::vector<std::string> missing;  // frame files that are not there
    std::string failure;               // why a frame that is there could not be read
};

// The layer's frame at each time: a still's one frame, a sequence's files or a video's frames
// read on demand through `frames`, its view `view` (1 for the right view of a two-view file).
// Frames the effect asks for and cannot have are noted in `requests` when given (the second
// layer: before its start too); the primary's other times may be missing, as at a layer's ends.
refhost::Layer layerFor(const InputLayer& layer, const refhost::World& still, refhost::PixelFormat format,
                        A_long timeStep, std::shared_ptr<media::FrameReader> frames, int view,
                        std::shared_ptr<SecondRequests> requests);

}  // namespace duovis::session
