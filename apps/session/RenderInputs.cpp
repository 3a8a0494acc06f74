#include "session/RenderInputs.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <map>
#include <stdexcept>
#include <utility>

#include "media/SameFile.h"
#include "media/StillFile.h"
#include "session/ImageInput.h"
#include "session/ImageWorld.h"

namespace duovis::session {

namespace {

std::string bytesOf(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

// A video's second decoder, opened at the first request.
class LaterVideo : public media::FrameReader {
  public:
    LaterVideo(std::string name, media::ReadChecks checks)
        : name_(std::move(name)), checks_(std::move(checks)) {}
    std::shared_ptr<const media::Frame> read(int index) override {
        if (name_ == "-") return nullptr;
        if (!frames_) {
            frames_ =
                media::videoReader(std::make_shared<media::VideoReader>(name_, media::PipeInput{}, checks_));
            frames_->deliverBytesIn(order_);
        }
        return frames_->read(index);
    }
    void deliverBytesIn(media::ByteOrder order) override {
        order_ = order;
        if (frames_) frames_->deliverBytesIn(order);
    }

  private:
    std::string name_;
    media::ReadChecks checks_;
    media::ByteOrder order_ = media::ByteOrder::Rgba;
    std::unique_ptr<media::FrameReader> frames_;
};

bool sameFile(const std::optional<FileId>& a, const std::optional<FileId>& b) {
    return a && b && *a == *b;
}

}  // namespace

InputLayer::InputLayer(std::string name, const media::PipeInput& pipe, media::ReadChecks checks)
    : name_(std::move(name)), seq_(QFile::decodeName(name_.c_str())), checks_(std::move(checks)) {
    if (!seq_.isPattern() && media::isVideoName(name_))
        video_ = std::make_shared<media::VideoReader>(name_, pipe, checks_);
}

int InputLayer::frameAt(int frame) const {
    const media::VideoInfo* video = videoInfo();
    if (video == nullptr || video->rateNum <= 0 || !(timelineRate_ > 0)) return frame;
    const double own = static_cast<double>(video->rateNum) / video->rateDen;
    // The frame shown at that time; a hair of slack keeps exact multiples from falling short.
    return static_cast<int>(std::floor(frame * own / timelineRate_ + 1e-6));
}

std::string InputLayer::fileFor(int frame) const {
    return isPattern() ? bytesOf(seq_.fileFor(frame)) : name_;
}

std::unique_ptr<media::FrameReader> InputLayer::reader(qint64 maxPixels) const {
    if (video_) return media::videoReader(video_);
    return media::stillReader([this](int frame) { return fileFor(frame); }, maxPixels);
}

std::vector<std::pair<int, std::string>> InputLayer::filesOnDisk() const {
    if (name_ == "-") return {};
    if (!isPattern()) return {{0, name_}};
    std::vector<std::pair<int, std::string>> files;
    if (seq_.empty()) return files;
    for (int frame = seq_.first(); frame <= seq_.last(); ++frame)
        if (QFileInfo(seq_.fileFor(frame)).isFile()) files.emplace_back(frame, fileFor(frame));
    return files;
}

media::StillHeader layerStillHeader(const InputLayer& layer, int first) {
    if (layer.isVideo()) return {};
    const std::string file = layer.fileFor(layer.isPattern() ? std::max(first, layer.sequence().first()) : 0);
    if (!QFileInfo(QFile::decodeName(file.c_str())).isFile()) return {};
    return media::readStillHeader(file);
}

bool layerHasViews(const InputLayer& layer, int first) {
    return layerStillHeader(layer, first).views == 2;
}

std::shared_ptr<media::FrameReader> otherTimesReader(const InputLayer& layer, qint64 maxPixels) {
    if (layer.isVideo()) return std::make_shared<LaterVideo>(layer.name(), layer.checks());
    return layer.reader(maxPixels);
}

QSize layerFrameSize(const InputLayer& layer, int first, int last) {
    if (const media::VideoInfo* video = layer.videoInfo()) return {video->width, video->height};
    if (!layer.isPattern()) return declaredImageSize(layer.name());
    QSize size;
    std::string sizedBy;
    for (const auto& [frame, file] : layer.filesOnDisk()) {
        if (frame < first || frame > last) continue;
        const QSize s = declaredImageSize(file);
        if (!size.isValid()) {
            size = s;
            sizedBy = file;
        } else if (s != size) {
            // The effect sizes its output from each frame; a sequence must keep one size.
            throw std::runtime_error(file + ": is " + sizeText(s) + ", but " + sizedBy + " is " +
                                     sizeText(size) + "; a sequence's frames must all be one size");
        }
    }
    return size;
}

void refuseOutputOverInputs(const std::vector<const InputLayer*>& inputs, const QString& output, int first,
                            int last) {
    InputFiles inputFiles;
    for (const InputLayer* layer : inputs)
        for (const auto& [frame, file] : layer->filesOnDisk()) inputFiles.add(file);

    for (int frame = first; frame <= last; ++frame) {
        const QString outName = FrameSequence::expand(output, frame);
        const std::string out = bytesOf(outName);
        inputFiles.refuseAsOutput(out);
        if (fileId(out)) continue;
        // A file not there yet may still be one an input sequence reads at a later frame.
        const QFileInfo outInfo(outName);
        const auto outDir = fileId(bytesOf(outInfo.path()));
        for (const InputLayer* layer : inputs) {
            if (!layer->isPattern() || !sameFile(outDir, fileId(bytesOf(layer->sequence().directory()))))
                continue;
            if (const auto n = layer->sequence().frameNamed(outInfo.fileName()))
                throw std::runtime_error(out + ": would become frame " + std::to_string(*n) +
                                         " of the input " + layer->name() + " (choose another output)");
        }
    }
}

refhost::Layer layerFor(const InputLayer& layer, const refhost::World& still, refhost::PixelFormat format,
                        A_long timeStep, std::shared_ptr<media::FrameReader> frames, int view,
                        std::shared_ptr<SecondRequests> requests) {
    if (!layer.isPattern() && !layer.isVideo()) return refhost::Layer::still(still);
    // Runs inside the effect's own call to fetch a frame: nothing may be thrown through it,
    // so what went wrong is noted and read once the effect returns.
    const InputLayer* source = &layer;
    frames->deliverBytesIn(bytesFor(format));
    return refhost::Layer::generated([source, format, timeStep, frames, view, requests](A_long time) {
        if (time % timeStep != 0) return refhost::World();
        const int index = source->frameAt(static_cast<int>(time / timeStep));
        const bool numbered = source->isVideo() || index < 0;
        const std::string file =
            numbered ? source->name() + " frame " + std::to_string(index) : source->fileFor(index);
        if (index < 0) {
            // Before the layer's start: missing as a file that is not there is.
            if (requests) requests->missing.push_back(file);
            return refhost::World();
        }
        if (!source->isVideo() && !QFileInfo(QFile::decodeName(file.c_str())).isFile()) {
            if (requests) requests->missing.push_back(file);
            return refhost::World();
        }
        try {
            const auto frame = frames->read(index);
            if (!frame) {
                if (requests) requests->missing.push_back(file);
                return refhost::World();
            }
            // A two-view sequence's frame that lost its right view is damaged, not absent.
            if (static_cast<int>(frame->views.size()) <= view)
                throw std::runtime_error(
                    file + ": has no right view (one picture only), unlike the layer's first frame");
            return worldFor(frame->views[static_cast<std::size_t>(view)], format);
        } catch (const std::exception& e) {
            if (requests && requests->failure.empty()) requests->failure = e.what();
            return refhost::World();
        }
    });
}

}  // namespace duovis::session
