#pragma once
// The footage a studio session works on: a primary layer (a still, a numbered sequence, or a
// blank layer of a given size) and an optional second layer, with the frames' full size. Fixed
// once opened, so the render thread reads it while the window works on.

#include <QImage>
#include <QSize>
#include <QString>
#include <optional>
#include <string>

#include "RenderInputs.h"
#include "World.h"

namespace duovis::studio {

struct SourceSpec {
    std::string primary;                // file or pattern; empty: a blank layer of blankSize
    std::optional<std::string> second;  // file or pattern
    QSize blankSize;
};

class StudioSource {
  public:
    // Reads the stills and checks every layer's first frame; throws std::runtime_error naming
    // the file at fault.
    explicit StudioSource(SourceSpec spec);

    const SourceSpec& spec() const { return spec_; }
    QSize frameSize() const { return size_; }
    bool hasSecond() const { return second_.has_value(); }
    bool isSequence() const;
    int firstFrame() const;
    int lastFrame() const;

    // The layers as the host lends them at 1/factor of full resolution.
    refhost::Layer primaryLayer(refhost::PixelFormat format, int factor, A_long timeStep) const;
    refhost::Layer secondLayer(refhost::PixelFormat format, int factor, A_long timeStep) const;

  private:
    struct Input {
        cli::InputLayer layer;
        QImage still;  // a still's picture; null for a sequence
    };
    static refhost::Layer layerOf(const Input& input, refhost::PixelFormat format, int factor,
                                  A_long timeStep);
    Input open(const std::string& name) const;

    SourceSpec spec_;
    std::optional<Input> primary_;
    std::optional<Input> second_;
    QSize size_;
};

// A frame's size and picture at 1/factor, as the host lends a down-sampled frame.
QSize downsampledSize(QSize full, int factor);
QImage downsampled(const QImage& image, int factor);

}  // namespace duovis::studio
