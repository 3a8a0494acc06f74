#include "ShotFrames.h"

#include "EyeFiles.h"
#include "core/params/ChoiceCodes.h"
#include "core/params/ToolBlock.h"
#include "media/FrameIO.h"
#include "session/LayerFrames.h"
#include "session/NumberedFile.h"
#include "session/RenderInputs.h"
#include "session/VideoDemux.h"

#include <QFile>
#include <QFileInfo>

#include <stdexcept>
#include <utility>

namespace depthscope {

using duovis::session::FrameRange;
using duovis::session::InputLayer;

namespace {

// The "Both" entry of the primary layer's "Demux Channel".
constexpr int kBothChannels = 1;

// A name as duovis takes it for a shot: a pattern or a video as it is, a numbered file as the
// sequence it belongs to.
std::string shotName(const std::string& name) {
    const QString typed = QFile::decodeName(name.c_str());
    if (duovis::session::FrameSequence::looksLikePattern(typed) || duovis::media::isVideoName(name))
        return name;
    if (const std::optional<QString> pattern = duovis::session::sequencePatternFor(typed)) {
        // Spelled as typed: a name without a folder gets none, so messages name its files so.
        const QString spelled = typed.contains('/') ? *pattern : QFileInfo(*pattern).fileName();
        return QFile::encodeName(spelled).toStdString();
    }
    throw std::runtime_error(name +
                             ": a shot needs a numbered sequence (L_%04d.png, L_####.png or one of its "
                             "files) or a video");
}

std::unique_ptr<InputLayer> openLayer(const std::string& name, long long maxPixels) {
    duovis::media::ReadChecks checks;
    checks.maxPixels = maxPixels;
    auto layer = std::make_unique<InputLayer>(shotName(name), duovis::media::PipeInput{}, checks);
    if (layer->sequence().empty()) throw std::runtime_error(layer->name() + ": no frames match this pattern");
    return layer;
}

// Frame `frame` of `layer`, or null past the end of a video that may end before the range.
std::shared_ptr<const duovis::media::Frame> frameOf(duovis::media::FrameReader& frames,
                                                    const InputLayer& layer, int frame, bool mayEnd) {
    std::shared_ptr<const duovis::media::Frame> f = frames.read(frame);
    if (f || mayEnd) return f;
    const std::string why = frames.whyNoFrame(frame);
    if (why.rfind(layer.name(), 0) == 0) throw std::runtime_error(why);
    throw std::runtime_error(layer.name() + ": " + (why.empty() ? "frame " + std::to_string(frame) : why));
}

}  // namespace

ShotFrames::ShotFrames(const std::string& left, const std::optional<std::string>& right, long long maxPixels)
    : left_(openLayer(left, maxPixels)) {
    leftFrames_ = left_->reader(maxPixels);
    if (right) {
        right_ = openLayer(*right, maxPixels);
        rightFrames_ = right_->reader(maxPixels);
        return;
    }
    const duovis::media::VideoInfo* video = left_->videoInfo();
    if (video) packedMode_ = duovis::session::demuxModeFromMetadata(*video);
    if (!video || packedMode_ == duovis::demuxPopupValue(duovis::DEMUX_NONE))
        throw std::runtime_error(left +
                                 ": one input must be a video whose stereo metadata packs both eyes (side "
                                 "by side or top and bottom); otherwise give RIGHT too");
    rightFirst_ = video->layout.rightFirst;
}

ShotFrames::~ShotFrames() = default;

FrameRange ShotFrames::frames(const std::optional<std::string>& text) const {
    const FrameRange range =
        text ? duovis::session::parseFrameRange(*text, "--frames") : duovis::session::allFramesOf(*left_);
    for (const InputLayer* layer : {left_.get(), right_.get()}) {
        if (!layer) continue;
        duovis::session::refuseSequenceGaps(range, *layer);
        duovis::session::refuseFramesPastTheEnd(range, *layer);
    }
    return range;
}

std::vector<std::string> ShotFrames::files() const {
    std::vector<std::string> out;
    for (const InputLayer* layer : {left_.get(), right_.get()})
        if (layer)
            for (const auto& file : layer->filesOnDisk()) out.push_back(file.second);
    return out;
}

bool ShotFrames::read(int frame, bool mayEnd, EyeViews& views) {
    const auto l = frameOf(*leftFrames_, *left_, frame, mayEnd);
    if (!l) return false;
    const cv::Mat leftLuma = lumaFromPicture(l->views.front());
    if (right_) {
        const auto r = frameOf(*rightFrames_, *right_, frame, false);
        views = eyeViewsFromImages(leftLuma, lumaFromPicture(r->views.front()));
        return true;
    }
    std::string error;
    const int32_t layout = duovis::toolLayoutCode(packedMode_, kBothChannels, false);
    if (!eyeViewsFromLayers(leftLuma, layout, cv::Mat(), 0, views, error))
        throw std::runtime_error(left_->name() + ": frame " + std::to_string(frame) + ": " + error);
    if (rightFirst_) std::swap(views.left, views.right);
    return true;
}

}  // namespace depthscope
