#include "VideoReader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/display.h>
#include <libavutil/stereo3d.h>
}

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "FfmpegPixels.h"
#include "StillFile.h"

namespace duovis::media {

namespace {

// Beyond this many frames ahead a seek is cheaper than decoding through.
constexpr int kSeekAhead = 48;

StereoLayout layoutOf(const AVStereo3D* s) {
    StereoLayout layout;
    if (s == nullptr) return layout;
    if (s->type == AV_STEREO3D_SIDEBYSIDE || s->type == AV_STEREO3D_SIDEBYSIDE_QUINCUNX)
        layout.packing = Packing::SideBySide;
    if (s->type == AV_STEREO3D_TOPBOTTOM) layout.packing = Packing::TopBottom;
    layout.rightFirst = (s->flags & AV_STEREO3D_FLAG_INVERT) != 0;
    return layout;
}

// The stream's display matrix where it turns or mirrors the frames.
std::optional<DisplayMatrix> rotationOf(const AVStream* st) {
    std::size_t size = 0;
    const auto* m =
        reinterpret_cast<const std::int32_t*>(av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, &size));
    if (m == nullptr || size < sizeof(DisplayMatrix)) return std::nullopt;
    DisplayMatrix matrix;
    std::copy(m, m + matrix.size(), matrix.begin());
    DisplayMatrix upright;
    av_display_rotation_set(upright.data(), 0);
    if (matrix == upright) return std::nullopt;
    return matrix;
}

}  // namespace

MediaTime frameTime(const VideoInfo& info, int index) {
    MediaTime t{info.startPts, info.timeBaseNum, info.timeBaseDen};
    if (info.rateNum > 0 && info.timeBaseNum > 0)
        t.ticks += av_rescale_q(index, AVRational{info.rateDen, info.rateNum},
                                AVRational{info.timeBaseNum, info.timeBaseDen});
    return t;
}

bool isVideoName(const std::string& path) {
    const std::string ext = extensionOf(path);
    return path == "-" || ext == "mp4" || ext == "mov" || ext == "mkv" || ext == "m4v" || ext == "webm" ||
           ext == "avi" || ext == "y4m" || ext == "mxf";
}

struct VideoReader::State {
    std::string path;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = nullptr;
    int stream = -1;
    int next = 0;  // the index the next decoded frame gets
    bool drained = false;
    long long firstPts = AV_NOPTS_VALUE;
    long long lastPts = AV_NOPTS_VALUE;
    int lastIndex = -1;
    std::shared_ptr<const Frame> cached;  // the frame last returned, asked for again by the effect

    ~State() {
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }
    [[noreturn]] void fail(const std::string& what, int err) const {
        throw std::runtime_error(path + ": " + what + " (" + avErrorText(err) + ")");
    }
    AVStream* st() const { return format->streams[stream]; }
    double framesPerTick() const {
        const AVRational rate = st()->avg_frame_rate.num > 0 ? st()->avg_frame_rate : st()->r_frame_rate;
        return av_q2d(st()->time_base) * av_q2d(rate);
    }

    // The next frame out of the decoder, or null at the end of the stream.
    FramePtr decodeNext() {
        FramePtr frame(av_frame_alloc());
        while (true) {
            const int got = avcodec_receive_frame(codec, frame.get());
            if (got == 0) return frame;
            if (got == AVERROR_EOF) return nullptr;
            if (got != AVERROR(EAGAIN)) fail("cannot decode frame " + std::to_string(next), got);
            if (drained) return nullptr;
            const int r = av_read_frame(format, packet);
            if (r == AVERROR_EOF) {
                drained = true;
                avcodec_send_packet(codec, nullptr);
                continue;
            }
            if (r < 0) fail("cannot read", r);
            if (packet->stream_index == stream) {
                const int sent = avcodec_send_packet(codec, packet);
                if (sent < 0 && sent != AVERROR(EAGAIN)) {
                    av_packet_unref(packet);
                    fail("cannot decode frame " + std::to_string(next), sent);
                }
            }
            av_packet_unref(packet);
        }
    }

    // Seeks to the key frame at or before `index`; the frames after it are counted from
    // their time stamps. False where the container cannot seek or keeps no time stamps.
    bool seekTo(int index) {
        if (firstPts == AV_NOPTS_VALUE || !(framesPerTick() > 0)) return false;
        const long long target = firstPts + std::llround(index / framesPerTick());
        if (av_seek_frame(format, stream, target, AVSEEK_FLAG_BACKWARD) < 0) return false;
        avcodec_flush_buffers(codec);
        drained = false;
        next = -1;  // unknown until a frame arrives
        lastPts = AV_NOPTS_VALUE;
        return true;
    }
};

VideoReader::VideoReader(const std::string& path, const PipeInput& pipe) : s_(std::make_unique<State>()) {
    s_->path = path;
    quietFfmpegLog();
    const bool stdinPipe = path == "-";
    const char* url = stdinPipe ? "pipe:0" : path.c_str();
    const bool raw = stdinPipe && pipe.format != PipeFormat::Y4m;
    const AVInputFormat* forced =
        stdinPipe ? av_find_input_format(raw ? "rawvideo" : "yuv4mpegpipe") : nullptr;
    AVDictionary* options = nullptr;
    if (raw) {
        const std::string size = std::to_string(pipe.width) + "x" + std::to_string(pipe.height);
        av_dict_set(&options, "video_size", size.c_str(), 0);
        av_dict_set(&options, "pixel_format", pipe.format == PipeFormat::Rgba ? "rgba" : "rgba64le", 0);
        av_dict_set(&options, "framerate",
                    (std::to_string(pipe.rateNum) + "/" + std::to_string(pipe.rateDen)).c_str(), 0);
    }
    const int opened = avformat_open_input(&s_->format, url, forced, &options);
    av_dict_free(&options);
    if (opened < 0) s_->fail("cannot open video", opened);
    if (const int err = avformat_find_stream_info(s_->format, nullptr); err < 0)
        s_->fail("cannot read the streams", err);
    const AVCodec* decoder = nullptr;
    s_->stream = av_find_best_stream(s_->format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (s_->stream < 0) s_->fail("no video stream", s_->stream);
    if (decoder == nullptr) s_->fail("no decoder for its video in this build", AVERROR_DECODER_NOT_FOUND);
    s_->codec = avcodec_alloc_context3(decoder);
    avcodec_parameters_to_context(s_->codec, s_->st()->codecpar);
    s_->codec->thread_count = 0;  // as many as the machine has
    if (const int err = avcodec_open2(s_->codec, decoder, nullptr); err < 0)
        s_->fail("cannot open decoder", err);
    s_->packet = av_packet_alloc();

    const AVStream* st = s_->st();
    const AVRational rate = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
    info_.width = st->codecpar->width;
    info_.height = st->codecpar->height;
    info_.rateNum = rate.num;
    info_.rateDen = rate.den > 0 ? rate.den : 1;
    info_.timeBaseNum = st->time_base.num;
    info_.timeBaseDen = st->time_base.den;
    info_.frames = st->nb_frames > 0 ? st->nb_frames : -1;
    info_.bits = bitsOf(static_cast<AVPixelFormat>(st->codecpar->format));
    info_.layout = layoutOf(
        reinterpret_cast<const AVStereo3D*>(av_stream_get_side_data(st, AV_PKT_DATA_STEREO3D, nullptr)));
    info_.startPts = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    info_.rotation = rotationOf(st);
    info_.hasAudio = av_find_best_stream(s_->format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) >= 0;
    if (info_.width <= 0 || info_.height <= 0)
        s_->fail("the video declares no frame size", AVERROR_INVALIDDATA);
}

VideoReader::~VideoReader() = default;

std::shared_ptr<const Frame> VideoReader::read(int index) {
    State& s = *s_;
    if (s.cached && s.lastIndex == index) return s.cached;
    if ((index < s.next || index > s.next + kSeekAhead) && !s.seekTo(index)) {
        if (index < s.next && s.path == "-")
            throw std::runtime_error("standard input: frame " + std::to_string(index) +
                                     " has gone by (a pipe reads forwards only)");
        if (index < s.next) {
            // Back to the start and count again; a container that cannot even do that says so
            // rather than hand out later frames under earlier numbers.
            const long long start = s.st()->start_time != AV_NOPTS_VALUE ? s.st()->start_time : 0;
            if (av_seek_frame(s.format, s.stream, start, AVSEEK_FLAG_BACKWARD) < 0)
                throw std::runtime_error(s.path + ": cannot go back to frame " + std::to_string(index) +
                                         " (the container cannot seek)");
            avcodec_flush_buffers(s.codec);
            s.drained = false;
            s.next = 0;
            s.lastPts = AV_NOPTS_VALUE;
        }
    }
    while (true) {
        FramePtr frame = s.decodeNext();
        if (!frame) return nullptr;
        const long long pts = frame->best_effort_timestamp;
        if (s.firstPts == AV_NOPTS_VALUE && s.next == 0) s.firstPts = pts;
        if (s.next < 0) {
            // After a seek: the frame's time stamp says which it is.
            if (pts == AV_NOPTS_VALUE || s.firstPts == AV_NOPTS_VALUE)
                throw std::runtime_error(s.path + ": cannot find frame " + std::to_string(index) +
                                         " (no time stamps to seek by)");
            s.next =
                static_cast<int>(std::llround(static_cast<double>(pts - s.firstPts) * s.framesPerTick()));
        }
        const int n = s.next++;
        if (frame->width != info_.width || frame->height != info_.height)
            throw std::runtime_error(s.path + ": frame " + std::to_string(n) + " is " +
                                     sizeText(frame->width, frame->height) + ", the video " +
                                     sizeText(info_.width, info_.height) +
                                     "; a frame size change mid-stream is not supported");
        // Frames more than half a frame off their regular place mean the rate changed.
        if (pts != AV_NOPTS_VALUE && s.lastPts != AV_NOPTS_VALUE && s.framesPerTick() > 0) {
            const double step = static_cast<double>(pts - s.lastPts) * s.framesPerTick();
            if (std::fabs(step - 1.0) > 0.5)
                throw std::runtime_error(s.path + ": frame " + std::to_string(n) +
                                         " changes the frame rate mid-stream, which is not supported");
        }
        s.lastPts = pts;
        if (n < index) continue;
        if (n > index)
            throw std::runtime_error(s.path + ": cannot find frame " + std::to_string(index) +
                                     " (the container seeks past it)");
        s.cached.reset();  // the last frame's pixels go before this one's are made
        s.cached = std::make_shared<const Frame>(Frame::of(pictureFromFrame(*frame)));
        s.lastIndex = n;
        return s.cached;
    }
}

}  // namespace duovis::media
