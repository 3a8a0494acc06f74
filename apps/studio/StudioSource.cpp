#include "StudioSource.h"

#include <QFile>
#include <QFileInfo>
#include <stdexcept>

#include "ImageInput.h"
#include "ImageWorld.h"

namespace duovis::studio {

namespace {

qint64 pixelLimit() {
    return cli::maxInputPixels(std::nullopt);
}

// Any still the media readers know, as a picture the preview can scale: float files arrive
// as 16 bits a channel, which is finer than any display shows.
QImage readPicture(const std::string& file) {
    return cli::fromWorld(cli::readWorld(file, refhost::PixelFormat::Bgra32f, pixelLimit()), true);
}

}  // namespace

QSize downsampledSize(QSize full, int factor) {
    if (factor <= 1) return full;
    return QSize(std::max(1, full.width() / factor), std::max(1, full.height() / factor));
}

QImage downsampled(const QImage& image, int factor) {
    if (factor <= 1) return image;
    return image.scaled(downsampledSize(image.size(), factor), Qt::IgnoreAspectRatio,
                        Qt::SmoothTransformation);
}

StudioSource::StudioSource(SourceSpec spec) : spec_(std::move(spec)) {
    if (spec_.primary.empty()) {
        if (spec_.blankSize.isEmpty()) throw std::runtime_error("the blank layer has no size");
        size_ = spec_.blankSize;
    } else {
        primary_ = open(spec_.primary);
        size_ = cli::layerFrameSize(primary_->layer, primary_->layer.sequence().first(),
                                    primary_->layer.sequence().first());
    }
    if (spec_.second) second_ = open(*spec_.second);
}

StudioSource::Input StudioSource::open(const std::string& name) const {
    Input input{cli::InputLayer(name), QImage()};
    if (input.layer.isPattern()) {
        if (input.layer.sequence().empty()) throw std::runtime_error(name + ": no frames match the pattern");
        // The first frame's header tells whether the sequence is readable at all.
        cli::declaredImageSize(input.layer.fileFor(input.layer.sequence().first()));
    } else {
        input.still = readPicture(name);
    }
    return input;
}

bool StudioSource::isSequence() const {
    return (primary_ && primary_->layer.isPattern()) || (second_ && second_->layer.isPattern());
}

int StudioSource::firstFrame() const {
    return primary_ && primary_->layer.isPattern() ? primary_->layer.sequence().first() : 0;
}

int StudioSource::lastFrame() const {
    if (primary_ && primary_->layer.isPattern()) return primary_->layer.sequence().last();
    if (second_ && second_->layer.isPattern()) return second_->layer.sequence().last();
    return 0;
}

refhost::Layer StudioSource::layerOf(const Input& input, refhost::PixelFormat format, int factor,
                                     A_long timeStep) {
    if (!input.layer.isPattern())
        return refhost::Layer::still(cli::toWorld(downsampled(input.still, factor), format));
    // Runs inside the effect's call for a frame: nothing may be thrown through it, and a frame
    // that is not there is a layer without a picture at that time.
    const cli::InputLayer layer = input.layer;
    return refhost::Layer::generated([layer, format, factor, timeStep](A_long time) {
        if (time < 0 || time % timeStep != 0) return refhost::World();
        const std::string file = layer.fileFor(static_cast<int>(time / timeStep));
        if (!QFileInfo(QFile::decodeName(file.c_str())).isFile()) return refhost::World();
        try {
            return cli::toWorld(downsampled(readPicture(file), factor), format);
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
