#include "RenderInputs.h"

#include <QFile>
#include <QFileInfo>
#include <stdexcept>
#include <utility>

#include "ImageInput.h"
#include "ImageWorld.h"
#include "SameFile.h"
#include "StillFile.h"

namespace duovis::cli {

namespace {

std::string bytesOf(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

// A video's second decoder, opened at the first request.
class LaterVideo : public media::FrameReader {
  public:
    explicit LaterVideo(std::string name) : name_(std::move(name)) {}
    std::shared_ptr<const media::Frame> read(int index) override {
        if (name_ == "-") return nullptr;
        if (!frames_) frames_ = media::videoReader(std::make_shared<media::VideoReader>(name_));
        return frames_->read(index);
    }

  private:
    std::string name_;
    std::unique_ptr<media::FrameReader> frames_;
};

bool sameFile(const std::optional<FileId>& a, const std::optional<FileId>& b) {
    return a && b && *a == *b;
}

}  // namespace

InputLayer::InputLayer(std::string name, const media::PipeInput& pipe)
    : name_(std::move(name)), seq_(QFile::decodeName(name_.c_str())) {
    if (!seq_.isPattern() && media::isVideoName(name_))
        video_ = std::make_shared<media::VideoReader>(name_, pipe);
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
    if (layer.isVideo()) return std::make_shared<LaterVideo>(layer.name());
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
    return refhost::Layer::generated([source, format, timeStep, frames, view, requests](A_long time) {
        if (time < 0 || time % timeStep != 0) return refhost::World();
        const int index = static_cast<int>(time / timeStep);
        const std::string file =
            source->isVideo() ? source->name() + " frame " + std::to_string(index) : source->fileFor(index);
        if (!source->isVideo() && !QFileInfo(QFile::decodeName(file.c_str())).isFile()) {
            if (requests) requests->missing.push_back(file);
            return refhost::World();
        }
        try {
            const auto frame = frames->read(index);
            if (!frame || static_cast<int>(frame->views.size()) <= view) {
                if (requests) requests->missing.push_back(file);
                return refhost::World();
            }
            return worldFor(frame->views[static_cast<std::size_t>(view)], format);
        } catch (const std::exception& e) {
            if (requests && requests->failure.empty()) requests->failure = e.what();
            return refhost::World();
        }
    });
}

}  // namespace duovis::cli
