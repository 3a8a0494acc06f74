#include "media/VideoReader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/display.h>
#include <libavutil/stereo3d.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "media/FfmpegPixels.h"
#include "media/PixelLimit.h"
#include "media/ScaleContext.h"
#include "media/StillFile.h"

namespace duovis::media {

namespace {

// Beyond this many frames ahead a seek is cheaper than decoding through.
constexpr int kSeekAhead = 48;
// Decode errors one after another without a frame: the decoder is given up on.
constexpr int kErrorsInRow = 64;

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

// The frames a video stream's duration holds: its own, or its Matroska DURATION tag; -1
// where it declares neither.
long long framesLasting(const AVStream& st, AVRational rate) {
    if (rate.num <= 0 || rate.den <= 0) return -1;
    double seconds = st.duration > 0 ? static_cast<double>(st.duration) * av_q2d(st.time_base) : 0;
    const AVDictionaryEntry* tag = av_dict_get(st.metadata, "DURATION", nullptr, 0);
    int h = 0, m = 0;
    double sec = 0;
    // The tag is where the track ends on the file's clock, so a track that starts late lasts
    // that much less.
    if (seconds <= 0 && tag != nullptr && std::sscanf(tag->value, "%d:%d:%lf", &h, &m, &sec) == 3) {
        seconds = h * 3600.0 + m * 60.0 + sec;
        if (st.start_time != AV_NOPTS_VALUE && st.start_time > 0)
            seconds -= static_cast<double>(st.start_time) * av_q2d(st.time_base);
    }
    return seconds > 0 ? static_cast<long long>(seconds * av_q2d(rate)) : -1;
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
           ext == "avi" || ext == "y4m" || ext == "mxf" || ext == "ts" || ext == "m2ts" || ext == "mts";
}

struct VideoReader::State {
    std::string path;
    ReadChecks checks;
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
    long long declared = -1;              // the frames the container declares
    long long lasting = -1;               // the frames its declared duration holds, where it has no count
    int packets = 0;                      // video packets read from the start; -1 after a seek
    bool decodedAny = false;
    bool seeked = false;
    bool damageTold = false;      // damage was allowed and told
    int standInFrom = -1;         // frames from here up to lastIndex are missing: `cached` stands in
    long long counted = -1;       // the frames found, once the end was reached from a known place
    long long y4mDataEnd = -1;    // y4m: where the last whole frame read ends
    long long rawFrameBytes = 0;  // raw frames: the size of each
    int errorsInRow = 0;
    ScaleContext scale;                 // the stream's, kept from frame to frame
    ByteOrder order = ByteOrder::Rgba;  // of 8-bit frames

    ~State() {
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }
    std::string name() const { return path == "-" ? "standard input" : path; }
    [[noreturn]] void fail(const std::string& what, int err) const {
        const std::string why = takeFfmpegError();
        throw std::runtime_error(path + ": " + what + " (" + (why.empty() ? avErrorText(err) : why) + ")");
    }
    // Damage throws, or is told and read past where the user allows it.
    void damage(const std::string& what) {
        const std::string line = name() + ": " + what;
        if (!checks.damaged) throw std::runtime_error(line + " (--allow-damage renders what decodes)");
        damageTold = true;
        checks.damaged(line);
    }
    std::string packetFrame() const {
        return packets >= 0 ? "frame " + std::to_string(packets)
                            : "a frame after " + std::to_string(lastIndex);
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
            if (got == 0) {
                errorsInRow = 0;
                return frame;
            }
            if (got == AVERROR_EOF) return nullptr;
            if (got != AVERROR(EAGAIN)) {
                damage("frame " + std::to_string(std::max(next, 0)) + " cannot be decoded (" +
                       avErrorText(got) + ")");
                if (++errorsInRow > kErrorsInRow) return nullptr;  // a decoder that only fails
                if (drained) continue;
            }
            if (drained) return nullptr;
            feed();
        }
    }

    // One packet read and, where it is the video's, handed to the decoder.
    void feed() {
        av_packet_unref(packet);
        const int r = av_read_frame(format, packet);
        if (r < 0) return endOfInput(r);
        if (packet->stream_index != stream) return;
        const std::string at = packetFrame();
        if (packets >= 0) ++packets;
        if (packet->pos >= 0 && y4mDataEnd >= 0)
            y4mDataEnd = std::max<long long>(y4mDataEnd, packet->pos + packet->size);
        if (rawFrameBytes > 0 && packet->size < rawFrameBytes)
            return damage(at + " is cut short (the input ends inside it)");
        if ((packet->flags & AV_PKT_FLAG_CORRUPT) != 0)
            damage(at + " is damaged (its data is marked corrupt)");
        const int sent = avcodec_send_packet(codec, packet);
        if (sent < 0 && sent != AVERROR(EAGAIN)) damage(at + " is damaged (" + avErrorText(sent) + ")");
    }

    // The demuxer has nothing more: the file's end, or where it could read no further.
    void endOfInput(int r) {
        drained = true;
        avcodec_send_packet(codec, nullptr);
        if (r != AVERROR_EOF) {
            const std::string why = takeFfmpegError();
            return damage("damaged or truncated at " + packetFrame() + " (" +
                          (why.empty() ? avErrorText(r) : why) + ")");
        }
        if (y4mDataEnd >= 0 && avio_tell(format->pb) > y4mDataEnd)
            return damage(packetFrame() + " is cut short (the input ends inside it)");
        // A container that keeps no frame count may still say how long the video lasts.
        if (declared <= 0 && lasting > 0 && packets >= 0 && packets + 1 < lasting)
            return damage("truncated at frame " + std::to_string(packets) + " (it lasts about " +
                          std::to_string(lasting) + " frames)");
        if (declared > 0 && packets >= 0 && packets < declared)
            damage("truncated at frame " + std::to_string(packets) + " (it declares " +
                   std::to_string(declared) + " frames)");
    }

    // Seeks to the key frame at or before `index`; the frames after it are counted from
    // their time stamps. False where the container cannot seek or keeps no time stamps.
    bool seekTo(int index) {
        if (firstPts == AV_NOPTS_VALUE || !(framesPerTick() > 0)) return false;
        const long long target = firstPts + std::llround(index / framesPerTick());
        if (av_seek_frame(format, stream, target, AVSEEK_FLAG_BACKWARD) < 0) return false;
        restart(-1);
        return true;
    }
    // After a seek to `at` (-1: unknown until a frame arrives), nothing decoded is kept.
    void restart(int at) {
        avcodec_flush_buffers(codec);
        drained = false;
        seeked = seeked || at != 0;
        next = at;
        packets = at;
        lastPts = AV_NOPTS_VALUE;
        standInFrom = -1;
    }
    // The kept frame in the order asked for now: itself, or where the order changed since it
    // was decoded, a copy turned.
    std::shared_ptr<const Frame> inOrder(const std::shared_ptr<const Frame>& frame) const {
        Frame turned;
        const Frame& ordered = inByteOrder(*frame, order, turned);
        return &ordered == frame.get() ? frame : std::make_shared<const Frame>(std::move(turned));
    }
    void position(int index);
    int number(const AVFrame& frame, const VideoInfo& info, int index);
    int afterStep(long long pts, int n);
    std::shared_ptr<const Frame> atEnd(int index);
};

VideoReader::VideoReader(const std::string& path, const PipeInput& pipe, ReadChecks checks)
    : s_(std::make_unique<State>()) {
    s_->path = path;
    s_->checks = std::move(checks);
    quietFfmpegLog();
    takeFfmpegError();
    const bool stdinPipe = path == "-";
    const char* url = stdinPipe ? "pipe:0" : path.c_str();
    const bool raw = stdinPipe && pipe.format != PipeFormat::Y4m;
    const AVInputFormat* forced =
        stdinPipe ? av_find_input_format(raw ? "rawvideo" : "yuv4mpegpipe") : nullptr;
    AVDictionary* options = nullptr;
    if (raw) {
        checkPixelLimit(s_->name(), static_cast<std::uint64_t>(pipe.width),
                        static_cast<std::uint64_t>(pipe.height), s_->checks.maxPixels);
        const std::string size = std::to_string(pipe.width) + "x" + std::to_string(pipe.height);
        av_dict_set(&options, "video_size", size.c_str(), 0);
        av_dict_set(&options, "pixel_format", pipe.format == PipeFormat::Rgba ? "rgba" : "rgba64le", 0);
        av_dict_set(&options, "framerate",
                    (std::to_string(pipe.rateNum) + "/" + std::to_string(pipe.rateDen)).c_str(), 0);
        s_->rawFrameBytes = 1LL * pipe.width * pipe.height * (pipe.format == PipeFormat::Rgba ? 4 : 8);
    }
    const int opened = avformat_open_input(&s_->format, url, forced, &options);
    av_dict_free(&options);
    if (opened < 0 && !raw && (stdinPipe || extensionOf(path) == "y4m"))
        s_->fail("the y4m header is invalid", opened);
    if (opened < 0) s_->fail("cannot open video", opened);
    // The sizes the header declares are held to the limit before any frame is read.
    for (unsigned i = 0; i < s_->format->nb_streams; ++i) {
        const AVStream* st = s_->format->streams[i];
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
            (st->disposition & AV_DISPOSITION_ATTACHED_PIC) == 0)
            checkPixelLimit(s_->name(), static_cast<std::uint64_t>(st->codecpar->width),
                            static_cast<std::uint64_t>(st->codecpar->height), s_->checks.maxPixels);
    }
    if (std::string(s_->format->iformat->name) == "yuv4mpegpipe") s_->y4mDataEnd = avio_tell(s_->format->pb);
    if (const int err = avformat_find_stream_info(s_->format, nullptr); err < 0)
        s_->fail("cannot read the streams", err);
    openDecoder();
}

void VideoReader::openDecoder() {
    const AVCodec* decoder = nullptr;
    s_->stream = av_find_best_stream(s_->format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (s_->stream < 0) s_->fail("no video stream", s_->stream);
    if (decoder == nullptr) s_->fail("no decoder for its video in this build", AVERROR_DECODER_NOT_FOUND);
    const AVStream* st = s_->st();
    checkPixelLimit(s_->name(), static_cast<std::uint64_t>(st->codecpar->width),
                    static_cast<std::uint64_t>(st->codecpar->height), s_->checks.maxPixels);
    s_->codec = avcodec_alloc_context3(decoder);
    avcodec_parameters_to_context(s_->codec, st->codecpar);
    s_->codec->thread_count = 0;  // as many as the machine has
    if (const int err = avcodec_open2(s_->codec, decoder, nullptr); err < 0)
        s_->fail("cannot open decoder", err);
    s_->packet = av_packet_alloc();

    const AVRational rate = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
    info_.width = st->codecpar->width;
    info_.height = st->codecpar->height;
    info_.rateNum = rate.num;
    info_.rateDen = rate.den > 0 ? rate.den : 1;
    info_.timeBaseNum = st->time_base.num;
    info_.timeBaseDen = st->time_base.den;
    info_.frames = st->nb_frames > 0 ? st->nb_frames : -1;
    s_->declared = info_.frames;
    s_->lasting = framesLasting(*st, rate);
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

// Where the decoder must be for frame `index`: ahead by seeking or decoding through, behind
// by seeking or going back to the start.
void VideoReader::State::position(int index) {
    if ((index >= next && index <= next + kSeekAhead) || seekTo(index)) return;
    if (index >= next) return;
    if (path == "-")
        throw std::runtime_error("standard input: frame " + std::to_string(index) +
                                 " has gone by (a pipe reads forwards only)");
    // Back to the start and count again; a container that cannot even do that says so rather
    // than hand out later frames under earlier numbers.
    const long long start = st()->start_time != AV_NOPTS_VALUE ? st()->start_time : 0;
    if (av_seek_frame(format, stream, start, AVSEEK_FLAG_BACKWARD) < 0)
        throw std::runtime_error(path + ": cannot go back to frame " + std::to_string(index) +
                                 " (the container cannot seek)");
    restart(0);
}

// The index of a decoded frame, checked: its size, its flags and its place after the last.
int VideoReader::State::number(const AVFrame& frame, const VideoInfo& info, int index) {
    const long long pts = frame.best_effort_timestamp;
    if (firstPts == AV_NOPTS_VALUE && next == 0) firstPts = pts;
    if (next < 0) {
        // After a seek: the frame's time stamp says which it is.
        if (pts == AV_NOPTS_VALUE || firstPts == AV_NOPTS_VALUE)
            throw std::runtime_error(path + ": cannot find frame " + std::to_string(index) +
                                     " (no time stamps to seek by)");
        next = static_cast<int>(std::llround(static_cast<double>(pts - firstPts) * framesPerTick()));
    }
    int n = next++;
    decodedAny = true;
    if (frame.width != info.width || frame.height != info.height)
        throw std::runtime_error(path + ": frame " + std::to_string(n) + " is " +
                                 sizeText(frame.width, frame.height) + ", the video " +
                                 sizeText(info.width, info.height) +
                                 "; a frame size change mid-stream is not supported");
    if (frame.decode_error_flags != 0 || (frame.flags & AV_FRAME_FLAG_CORRUPT) != 0)
        damage("frame " + std::to_string(n) + " is damaged (the decoder flags it corrupt)");
    if (pts != AV_NOPTS_VALUE && lastPts != AV_NOPTS_VALUE && framesPerTick() > 0) n = afterStep(pts, n);
    lastPts = pts;
    return n;
}

// Frames more than half a frame off their regular place mean the rate changed, or, where
// whole frames are missing at a damaged place or the end, that the file is damaged there.
int VideoReader::State::afterStep(long long pts, int n) {
    const double step = static_cast<double>(pts - lastPts) * framesPerTick();
    if (std::fabs(step - 1.0) <= 0.5) return n;
    const long long whole = std::llround(step);
    const bool framesMissing = whole >= 2 && std::fabs(step - static_cast<double>(whole)) < 0.25;
    if (!framesMissing || !(damageTold || drained))
        throw std::runtime_error(path + ": frame " + std::to_string(n) +
                                 " changes the frame rate mid-stream, which is not supported");
    const int last = n + static_cast<int>(whole) - 2;
    damage("damaged or truncated at frame " + std::to_string(n) + " (frames " + std::to_string(n) + " to " +
           std::to_string(last) + " are missing)");
    standInFrom = n;
    next = last + 2;
    return last + 1;
}

// No frame at `index`: an input without any is refused, and one short of the frames its
// container declares is damaged.
std::shared_ptr<const Frame> VideoReader::State::atEnd(int index) {
    if (!decodedAny && !seeked) throw std::runtime_error(name() + ": holds no frames");
    if (next >= 0) counted = next;
    if (declared > 0 && index < declared)
        damage("frame " + std::to_string(index) + " cannot be decoded (the file declares " +
               std::to_string(declared) + " frames; it is damaged or truncated)");
    return nullptr;
}

std::shared_ptr<const Frame> VideoReader::read(int index) {
    State& s = *s_;
    const bool standsIn = s.standInFrom >= 0 && index >= s.standInFrom && index <= s.lastIndex;
    if (s.cached && (s.lastIndex == index || standsIn)) return s.inOrder(s.cached);
    s.position(index);
    while (true) {
        FramePtr frame = s.decodeNext();
        if (!frame) return s.atEnd(index);
        const int n = s.number(*frame, info_, index);
        if (n < index) continue;
        if (n > index && !(s.standInFrom >= 0 && index >= s.standInFrom))
            throw std::runtime_error(s.path + ": cannot find frame " + std::to_string(index) +
                                     " (the container seeks past it)");
        s.cached.reset();  // the last frame's pixels go before this one's are made
        s.cached = std::make_shared<const Frame>(Frame::of(pictureFromFrame(*frame, s.scale, s.order)));
        s.lastIndex = n;
        return s.cached;
    }
}

void VideoReader::deliverBytesIn(ByteOrder order) {
    s_->order = order;
}

std::string VideoReader::whyNoFrame(int index) const {
    if (s_->damageTold) return "";
    return noSuchFrameText(s_->name(), index, frameCount());
}

long long VideoReader::frameCount() const {
    return info_.frames > 0 ? info_.frames : s_->counted;
}

std::string noSuchFrameText(const std::string& name, long long index, long long count) {
    if (count == 0) return name + ": holds no frames";
    if (count < 0) return name + ": has no frame " + std::to_string(index) + " (it ends before it)";
    return name + ": has no frame " + std::to_string(index) + " (it has " + std::to_string(count) +
           " frames, 0 to " + std::to_string(count - 1) + ")";
}

}  // namespace duovis::media
