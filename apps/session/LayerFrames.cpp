#include "session/LayerFrames.h"

#include <QFileInfo>
#include <stdexcept>

#include "media/VideoReader.h"

namespace duovis::session {

namespace {
// Through the end of a video whose container does not say how many frames it has.
constexpr int kToTheEnd = 2000000000;
}  // namespace

FrameRange allFramesOf(const InputLayer& layer) {
    const FrameSequence& seq = layer.sequence();
    if (seq.isPattern()) return {seq.first(), seq.last(), 1};
    if (const media::VideoInfo* video = layer.videoInfo())
        return video->frames > 0 ? FrameRange{0, static_cast<int>(video->frames - 1), 1}
                                 : FrameRange{0, kToTheEnd, 1, true};
    return {0, 0, 1};
}

void refuseFramesPastTheEnd(const FrameRange& range, const InputLayer& layer) {
    const media::VideoInfo* video = layer.videoInfo();
    if (video == nullptr || range.toTheEnd) return;
    long long count = video->frames;
    const int lastAsked = range.at(range.count() - 1);
    if (count <= 0 && layer.name() != "-") {
        media::VideoReader ahead(layer.name(), {}, layer.checks());
        if (ahead.read(0) && ahead.read(lastAsked)) return;
        if (ahead.whyNoFrame(lastAsked).empty()) return;  // damage allowed and told
        count = ahead.frameCount();
    }
    if (count <= 0 || lastAsked < count) return;
    const long long firstMissing =
        range.first >= count ? range.first
                             : range.first + (count - range.first + range.step - 1) / range.step * range.step;
    throw std::runtime_error(media::noSuchFrameText(layer.name(), firstMissing, count));
}

void refuseSequenceGaps(const FrameRange& range, const InputLayer& layer) {
    const FrameSequence& seq = layer.sequence();
    if (!seq.isPattern()) return;
    for (int k = 0; k < range.count(); ++k)
        if (!QFileInfo(seq.fileFor(range.at(k))).isFile())
            throw std::runtime_error(layer.fileFor(range.at(k)) + ": frame missing");
}

}  // namespace duovis::session
