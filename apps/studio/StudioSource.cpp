#include "StudioSource.h"

#include <mutex>
#include <stdexcept>

#include "PictureScale.h"
#include "media/StillFile.h"
#include "session/ImageInput.h"
#include "session/ImageWorld.h"

namespace duovis::studio {

namespace {

qint64 pixelLimit() {
    return session::maxInputPixels(std::nullopt);
}

// The frame's picture as a world of the host's format; float worlds keep the file's values.
refhost::World worldAt(const media::Picture& picture, int factor, refhost::PixelFormat format) {
    if (factor <= 1) return session::worldFor(picture, format);
    return session::worldFor(downsampled(picture, factor), format);
}

// A video's length where its container does not declare one: its frames, decoded once.
int countFrames(const session::InputLayer& layer) {
    const long long declared = layer.videoInfo()->frames;
    if (declared > 0) return static_cast<int>(declared);
    media::VideoReader video(layer.name());
    int count = 0;
    while (video.read(count)) ++count;
    return count;
}

}  // namespace

// The one reader of a sequence's or video's frames. A video has one decoder, and the primary
// and second layers of a two-view file ask for the same file in turn, so reads take turns.
struct StudioSource::Frames {
    std::mutex mutex;
    std::shared_ptr<const session::InputLayer> layer;  // the reader reads the layer's names
    std::unique_ptr<media::FrameReader> reader;

    std::shared_ptr<const media::Frame> read(int index) {
        std::lock_guard<std::mutex> lock(mutex);
        return reader->read(index);
    }
};

StudioSource::StudioSource(SourceSpec spec) : spec_(std::move(spec)) {
    if (spec_.primary.empty()) {
        if (spec_.blankSize.isEmpty()) throw std::runtime_error("the blank layer has no size");
        size_ = spec_.blankSize;
    } else {
        primary_ = open(spec_.primary);
        const session::InputLayer& layer = *primary_->layer;
        const int first = layer.isPattern() ? layer.sequence().first() : 0;
        size_ = session::layerFrameSize(layer, first, first);
    }
    if (spec_.second) {
        second_ = open(*spec_.second);
    } else if (primary_ && !primary_->layer->isVideo() &&
               session::layerHasViews(*primary_->layer, firstFrame())) {
        // A two-view file is both eyes: its right view is the second layer.
        second_ = primary_;
        second_->view = 1;
    }
}

StudioSource::Input StudioSource::open(const std::string& name) {
    // Standard input gives its frames once; a session scrubs back and forth.
    if (name == "-") throw std::runtime_error("-: the studio cannot read standard input; name a file");
    Input input;
    input.layer = std::make_shared<session::InputLayer>(name);
    const session::InputLayer& layer = *input.layer;
    if (layer.isVideo()) {
        const int count = countFrames(layer);
        if (count <= 0) throw std::runtime_error(name + ": the video has no frames");
        input.lastFrame = count - 1;
    } else if (layer.isPattern()) {
        if (layer.sequence().empty()) throw std::runtime_error(name + ": no frames match the pattern");
        // The first frame's header tells whether the sequence is readable at all.
        session::declaredImageSize(layer.fileFor(layer.sequence().first()));
        input.lastFrame = layer.sequence().last();
    } else {
        input.still = std::make_shared<const media::Frame>(media::readStill(name, pixelLimit()));
        return input;
    }
    input.frames = std::make_shared<Frames>();
    input.frames->layer = input.layer;
    input.frames->reader = layer.reader(pixelLimit());
    return input;
}

std::string StudioSource::secondName() const {
    if (!second_) return {};
    if (spec_.second) return *spec_.second;
    return spec_.primary + " (right view)";
}

bool StudioSource::isSequence() const {
    return (primary_ && primary_->frames) || (second_ && second_->frames);
}

int StudioSource::firstFrame() const {
    return primary_ && primary_->layer->isPattern() ? primary_->layer->sequence().first() : 0;
}

int StudioSource::lastFrame() const {
    if (primary_ && primary_->frames) return primary_->lastFrame;
    if (second_ && second_->frames) return second_->lastFrame;
    return 0;
}

double StudioSource::framesPerSecond() const {
    const media::VideoInfo* video = primaryVideo();
    const double rate =
        video && video->rateDen > 0 ? static_cast<double>(video->rateNum) / video->rateDen : 0.0;
    // A rate the host's time cannot count in (none declared, or absurd) plays at film rate.
    return rate > 0.0 && rate <= 1000.0 ? rate : 24.0;
}

const media::VideoInfo* StudioSource::primaryVideo() const {
    return primary_ ? primary_->layer->videoInfo() : nullptr;
}

refhost::Layer StudioSource::layerOf(const Input& input, refhost::PixelFormat format, int factor,
                                     A_long timeStep) {
    const std::size_t view = static_cast<std::size_t>(input.view);
    if (input.still) {
        if (input.still->views.size() <= view) return refhost::Layer();
        return refhost::Layer::still(worldAt(input.still->views[view], factor, format));
    }
    // Runs inside the effect's call for a frame: nothing may be thrown through it, and a frame
    // that is not there is a layer without a picture at that time.
    const std::shared_ptr<Frames> frames = input.frames;
    return refhost::Layer::generated([frames, view, format, factor, timeStep](A_long time) {
        if (time < 0 || time % timeStep != 0) return refhost::World();
        try {
            const auto frame = frames->read(static_cast<int>(time / timeStep));
            if (!frame || frame->views.size() <= view) return refhost::World();
            return worldAt(frame->views[view], factor, format);
        } catch (const std::exception&) {
            return refhost::World();
        }
    });
}

refhost::Layer StudioSource::primaryLayer(refhost::PixelFormat format, int factor, A_long timeStep) const {
    if (primary_) return layerOf(*primary_, format, factor, timeStep);
    const QSize s = downsampledSize(size_, factor);
    return refhost::Layer::still(refhost::World(s.width(), s.height(), format));
}

refhost::Layer StudioSource::secondLayer(refhost::PixelFormat format, int factor, A_long timeStep) const {
    if (!second_) return refhost::Layer();
    return layerOf(*second_, format, factor, timeStep);
}

}  // namespace duovis::studio
