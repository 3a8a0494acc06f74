#include "media/VideoCodecs.h"

extern "C" {
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

#include <stdexcept>

namespace duovis::media {

namespace {

// FFV1 keeps RGB planes, so it is lossless end to end; ProRes and H.265 carry 10 bits.
// x264 and x265 clamp or refuse a constant quality above 51.
const CodecChoice kCodecs[] = {
    {"h264", "libx264", AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV420P, true, 51, true},
    {"h265", "libx265", AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV420P10LE, true, 51, true},
    {"prores", "prores_ks", AV_PIX_FMT_YUV422P10LE, AV_PIX_FMT_YUV422P10LE, true, -1, false},
    {"ffv1", "ffv1", AV_PIX_FMT_0RGB32, AV_PIX_FMT_GBRP16LE, false, -1, false},
};
const CodecChoice kY4m{"y4m", "wrapped_avframe", AV_PIX_FMT_YUV444P, AV_PIX_FMT_YUV444P16LE, false, -1,
                       false};
const CodecChoice kRgba{"rgba", "rawvideo", AV_PIX_FMT_RGBA, AV_PIX_FMT_RGBA, false, -1, false};
const CodecChoice kRgba64{"rgba64", "rawvideo", AV_PIX_FMT_RGBA64LE, AV_PIX_FMT_RGBA64LE, false, -1, false};

// x264 and x265 both take FFmpeg's preset names, fastest first.
const char* const kPresets[] = {"ultrafast", "superfast", "veryfast", "faster",   "fast",
                                "medium",    "slow",      "slower",   "veryslow", "placebo"};

// Both encoders count the rate in whole kilobits a second.
constexpr long long kLeastBitrate = 1000;

// The codecs of this build that have the option, for "(h264 and h265 have)".
std::string codecsWith(bool (*has)(const CodecChoice&)) {
    std::string list;
    for (const std::string& name : availableVideoCodecs())
        for (const CodecChoice& c : kCodecs)
            if (name == c.name && has(c)) list += (list.empty() ? "" : ", ") + name;
    return list.empty() ? "none in this build does" : list + " do";
}

void refuseWithout(const char* option, const CodecChoice& codec, bool (*has)(const CodecChoice&)) {
    throw std::runtime_error(std::string(option) + ": " + codec.name + " does not take it (" +
                             codecsWith(has) + ")");
}

bool hasCrf(const CodecChoice& c) {
    return c.crfMost >= 0;
}
bool hasRate(const CodecChoice& c) {
    return c.takesRate;
}

}  // namespace

std::vector<std::string> availableVideoCodecs() {
    std::vector<std::string> out;
    for (const CodecChoice& c : kCodecs)
        if (avcodec_find_encoder_by_name(c.encoder) != nullptr) out.emplace_back(c.name);
    return out;
}

const CodecChoice& chooseCodec(const VideoSettings& settings, const std::string& path) {
    if (path == "-")
        return settings.pipe == PipeFormat::Y4m ? kY4m : settings.pipe == PipeFormat::Rgba ? kRgba : kRgba64;
    const std::string& wanted = settings.codec;
    std::string name = wanted == "hevc" ? "h265" : wanted == "avc" ? "h264" : wanted;
    if (name.empty()) name = avcodec_find_encoder_by_name("libx264") != nullptr ? "h264" : "ffv1";
    for (const CodecChoice& c : kCodecs)
        if (name == c.name || name == c.encoder) {
            if (avcodec_find_encoder_by_name(c.encoder) != nullptr) return c;
            break;
        }
    std::string list;
    for (const std::string& c : availableVideoCodecs()) list += (list.empty() ? "" : ", ") + c;
    throw std::runtime_error("--codec: '" + wanted + "' is not in this build (it has " + list + ")");
}

void checkEncoderOptions(const CodecChoice& codec, const VideoSettings& s) {
    if (s.crf && !hasCrf(codec)) refuseWithout("--crf", codec, hasCrf);
    if (s.crf && (*s.crf < 0 || *s.crf > codec.crfMost))
        throw std::runtime_error("--crf: " + std::to_string(*s.crf) + " is outside " + codec.name +
                                 "'s range, 0 to " + std::to_string(codec.crfMost) + " (lower is better)");
    if (s.bitrate && !hasRate(codec)) refuseWithout("--bitrate", codec, hasRate);
    if (s.bitrate && *s.bitrate < kLeastBitrate)
        throw std::runtime_error("--bitrate: " + std::to_string(*s.bitrate) + " is outside " + codec.name +
                                 "'s range, 1k and up (bits a second)");
    if (s.preset.empty()) return;
    if (!hasRate(codec)) refuseWithout("--preset", codec, hasRate);
    for (const char* p : kPresets)
        if (s.preset == p) return;
    std::string list;
    for (const char* p : kPresets) list += (list.empty() ? "" : ", ") + std::string(p);
    throw std::runtime_error("--preset: '" + s.preset + "' is not one of " + list);
}

void applyEncoderOptions(const CodecChoice& codec, const VideoSettings& s, AVCodecContext* context) {
    if (s.bitrate) context->bit_rate = *s.bitrate;
    if (s.crf) av_opt_set_int(context->priv_data, "crf", *s.crf, 0);
    if (!s.preset.empty()) av_opt_set(context->priv_data, "preset", s.preset.c_str(), 0);
    // x265 logs through its own channel, not FFmpeg's: it follows FFmpeg's level, so its lines
    // stay off stderr as FFmpeg's do.
    if (std::string(codec.encoder) == "libx265")
        av_opt_set(context->priv_data, "x265-params",
                   av_log_get_level() >= AV_LOG_ERROR ? "log-level=error" : "log-level=none", 0);
}

}  // namespace duovis::media
