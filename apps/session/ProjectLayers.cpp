#include "session/ProjectLayers.h"

#include <QFile>
#include <QFileInfo>

#include <stdexcept>

#include "media/VideoReader.h"
#include "session/RenderInputs.h"

namespace duovis::session {

namespace {

std::string bytes(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

}  // namespace

bool layerMoves(const QString& file) {
    return !file.isEmpty() && (FrameSequence::looksLikePattern(file) || media::isVideoName(bytes(file)));
}

ProjectLayer describeLayer(const std::string& name) {
    const QString qname = QFile::decodeName(name.c_str());
    ProjectLayer l;
    l.file = QFileInfo(qname).absoluteFilePath();
    const InputLayer layer(bytes(l.file));
    if (layer.sequence().empty()) throw std::runtime_error(name + ": no frames match this pattern");
    QSize size;
    try {
        const int first = layer.sequence().first();
        size = layer.isPattern() ? layerFrameSize(layer, first, first) : layerFrameSize(layer, 0, 0);
    } catch (const std::exception&) {
        size = QSize();
    }
    if (!size.isValid() || (!layer.isPattern() && !layer.isVideo() && !QFileInfo(qname).isFile()))
        throw std::runtime_error(name + ": not a readable image, image sequence or video");
    l.width = size.width();
    l.height = size.height();
    return l;
}

std::optional<FrameRange> layerFrames(const ProjectLayer& layer) {
    if (layer.file.isEmpty()) return std::nullopt;
    if (FrameSequence::looksLikePattern(layer.file)) {
        const FrameSequence seq(layer.file);
        if (seq.empty()) throw std::runtime_error(bytes(layer.file) + ": no frames match this pattern");
        return FrameRange{seq.first(), seq.last(), 1};
    }
    const InputLayer input(bytes(layer.file));
    const media::VideoInfo* video = input.videoInfo();
    if (video == nullptr || video->frames <= 0) return std::nullopt;
    return FrameRange{0, static_cast<int>(video->frames - 1), 1};
}

void refuseFrameOutside(const ProjectLayer& layer, int frame, const std::string& what) {
    const auto frames = layerFrames(layer);
    if (frame < 0) throw std::runtime_error(what + ": frame " + std::to_string(frame) + " is negative");
    if (!frames || (frame >= frames->first && frame <= frames->last)) return;
    throw std::runtime_error(what + ": frame " + std::to_string(frame) + " is not a frame of " +
                             bytes(layer.file) + " (" + std::to_string(frames->first) + "-" +
                             std::to_string(frames->last) + ")");
}

}  // namespace duovis::session
