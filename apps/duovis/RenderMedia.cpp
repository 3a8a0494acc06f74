#include "RenderMedia.h"

#include <QFile>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <tuple>

#include "media/AtomicSave.h"
#include "media/StillFile.h"
#include "session/FrameRecords.h"
#include "session/FrameSequence.h"
#include "session/RenderJob.h"

namespace duovis::cli {

using namespace session;

namespace {

long long parseBitrate(const std::string& text) {
    std::string digits = text;
    long long scale = 1;
    if (!digits.empty() && (digits.back() == 'k' || digits.back() == 'K')) scale = 1000;
    if (!digits.empty() && (digits.back() == 'm' || digits.back() == 'M')) scale = 1000000;
    if (scale != 1) digits.pop_back();
    const double v = parseDouble(digits, "--bitrate");
    if (!(v > 0) || v * static_cast<double>(scale) > 1e11)
        throw std::runtime_error("--bitrate: '" + text + "' is not a bit rate such as 8M or 500k");
    return static_cast<long long>(v * static_cast<double>(scale));
}

// The output rate as a fraction: NTSC rates exactly (24000/1001), others to a thousandth.
std::pair<int, int> rateOf(double fps) {
    if (std::fabs(fps - std::round(fps)) < 1e-9) return {static_cast<int>(std::round(fps)), 1};
    const double ntsc = fps * 1001.0 / 1000.0;
    if (std::fabs(ntsc - std::round(ntsc)) < 1e-3) return {static_cast<int>(std::round(ntsc)) * 1000, 1001};
    return {static_cast<int>(std::lround(fps * 1000.0)), 1000};
}

media::PipeFormat pipeFormat(const Args& args) {
    const std::string name = args.value("--pipe").value_or("y4m");
    if (name == "y4m") return media::PipeFormat::Y4m;
    if (name == "rgba") return media::PipeFormat::Rgba;
    if (name == "rgba64") return media::PipeFormat::Rgba64;
    throw std::runtime_error("--pipe: '" + name + "' is not one of y4m, rgba, rgba64");
}

}  // namespace

double fpsFromArgs(const Args& args) {
    const std::string text = args.value("--fps").value_or("24");
    const double fps = parseDouble(text, "--fps");
    if (!(fps >= RenderJob::kLeastFps && fps <= RenderJob::kMostFps))
        throw std::runtime_error("--fps: '" + text + "' is outside the range 0.001 to 1000");
    return fps;
}

media::PipeInput pipeInput(const Args& args, double fps) {
    media::PipeInput pipe;
    pipe.format = pipeFormat(args);
    std::tie(pipe.rateNum, pipe.rateDen) = rateOf(fps);
    const auto size = args.value("--pipe-size");
    if (pipe.format == media::PipeFormat::Y4m) return pipe;
    const std::string text = size.value_or("");
    const auto x = text.find('x');
    if (x != std::string::npos) {
        pipe.width = parseInt(text.substr(0, x), "--pipe-size");
        pipe.height = parseInt(text.substr(x + 1), "--pipe-size");
    }
    if (pipe.width <= 0 || pipe.height <= 0)
        throw std::runtime_error("--pipe-size: raw frames on standard input need their size, as WxH ('" +
                                 text + "')");
    return pipe;
}

bool writesVideo(const std::string& output) {
    return media::isVideoName(output);
}

VideoChoices videoChoicesFromArgs(const Args& args) {
    VideoChoices c;
    media::VideoSettings& s = c.encoder;
    s.codec = args.value("--codec").value_or("");
    if (const auto crf = args.value("--crf")) s.crf = parseInt(*crf, "--crf");
    s.preset = args.value("--preset").value_or("");
    if (const auto rate = args.value("--bitrate")) s.bitrate = parseBitrate(*rate);
    if (s.crf && s.bitrate) throw std::runtime_error("give --crf or --bitrate, not both");
    s.pipe = pipeFormat(args);
    c.sourceRate = !args.has("--fps");
    c.audio = !args.has("--no-audio");
    return c;
}

namespace {

// The video primary whose own rate times the frames, or null.
const media::VideoInfo* sourceRateVideo(const VideoChoices& choices, const InputLayer& primary) {
    const media::VideoInfo* video = primary.videoInfo();
    return video != nullptr && video->rateNum > 0 && choices.sourceRate ? video : nullptr;
}

}  // namespace

double timelineRate(const VideoChoices& choices, const InputLayer& primary, double fps) {
    const media::VideoInfo* video = sourceRateVideo(choices, primary);
    return video ? static_cast<double>(video->rateNum) / video->rateDen : fps;
}

media::VideoSettings videoSettings(const VideoChoices& choices, const InputLayer& primary, double fps,
                                   int firstFrame) {
    media::VideoSettings s = choices.encoder;
    const media::VideoInfo* video = primary.videoInfo();
    if (sourceRateVideo(choices, primary) != nullptr) {
        s.rateNum = video->rateNum;
        s.rateDen = video->rateDen;
        s.timeBaseNum = video->timeBaseNum;
        s.timeBaseDen = video->timeBaseDen;
    } else {
        std::tie(s.rateNum, s.rateDen) = rateOf(fps);
    }
    if (video != nullptr && video->hasAudio && choices.audio) {
        s.audioFrom = primary.name();
        s.audioOrigin = media::frameTime(*video, firstFrame);
    }
    if (video != nullptr) s.rotation = video->rotation;
    return s;
}

std::unique_ptr<media::FrameWriter> openWriter(const std::string& output, const QString& outName,
                                               const media::VideoSettings& settings, SaveMode mode,
                                               media::TileSize tiles, const QString& records) {
    if (writesVideo(output)) media::checkVideoSettings(output, settings);
    if (settings.rotation)
        std::fprintf(stderr, "%s\n", media::rotationNotice(output, *settings.rotation).c_str());
    if (writesVideo(output)) return media::videoWriter(output, settings, mode);
    if (!media::canEncodeStill(output))
        (void)media::encodeStill(media::Frame{}, output);  // names the formats
    return media::stillWriter(
        [outName](int frame) {
            return QFile::encodeName(FrameSequence::expand(outName, frame)).toStdString();
        },
        [mode, records](const QByteArray& bytes, const std::string& path) {
            const QString name = QFile::decodeName(path.c_str());
            saveBytesAtomically(bytes, name, mode);
            if (!records.isEmpty()) session::recordFinished(records, name, bytes.size());
        },
        tiles);
}

}  // namespace duovis::cli
