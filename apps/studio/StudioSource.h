#pragma once
// The footage a studio session works on: a primary layer (a still, a numbered sequence, a
// video, or a blank layer of a given size) and an optional second layer, with the frames' full
// size. A two-view file (left and right views) is both layers by itself. Fixed once opened, so
// the render thread reads it while the window works on; frames are read as the effect asks.

#include <QSize>
#include <memory>
#include <optional>
#include <string>

#include "World.h"
#include "media/FrameIO.h"
#include "session/RenderInputs.h"

namespace duovis::studio {

struct SourceSpec {
    std::string primary;                // file, pattern or video; empty: a blank layer of blankSize
    std::optional<std::string> second;  // file, pattern or video
    QSize blankSize;
};

class StudioSource {
  public:
    // Reads the stills and checks every layer's first frame; throws std::runtime_error naming
    // the file at fault.
    explicit StudioSource(SourceSpec spec);

    const SourceSpec& spec() const { return spec_; }
    QSize frameSize() const { return size_; }
    // A second layer from --second or from the primary's right view.
    bool hasSecond() const { return second_.has_value(); }
    // What the layer menu calls the second layer.
    std::string secondName() const;
    // Whether any layer changes over time (a sequence or a video).
    bool isSequence() const;
    int firstFrame() const;
    int lastFrame() const;
    // The primary video's rate, else film rate: pictures and sequences carry none.
    double framesPerSecond() const;
    // Null unless the primary is a video.
    const media::VideoInfo* primaryVideo() const;

    // The layers as the host lends them at 1/factor of full resolution.
    refhost::Layer primaryLayer(refhost::PixelFormat format, int factor, A_long timeStep) const;
    refhost::Layer secondLayer(refhost::PixelFormat format, int factor, A_long timeStep) const;

  private:
    struct Frames;
    struct Input {
        std::shared_ptr<session::InputLayer> layer;
        int view = 0;                               // 1: the right view of a two-view file
        std::shared_ptr<const media::Frame> still;  // a still's frame; null when it changes over time
        std::shared_ptr<Frames> frames;             // a sequence's or video's frames, read on demand
        int lastFrame = 0;
    };
    static refhost::Layer layerOf(const Input& input, refhost::PixelFormat format, int factor,
                                  A_long timeStep);
    static Input open(const std::string& name);

    SourceSpec spec_;
    std::optional<Input> primary_;
    std::optional<Input> second_;
    QSize size_;
};

}  // namespace duovis::studio
