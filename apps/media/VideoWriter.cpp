#include "VideoWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libavutil/stereo3d.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "FfmpegPixels.h"
#include "OutputFile.h"
#include "StillFile.h"

namespace duovis::media {

namespace {

struct CodecChoice {
    const char* name;     // what --codec takes
    const char* encoder;  // FFmpeg's encoder
    AVPixelFormat shallow;
    AVPixelFormat deep;  // for sources deeper than 8 bits
    bool evenSize;       // chroma subsampling needs even dimensions
};

// FFV1 keeps RGB planes, so it is lossless end to end; ProRes and H.265 carry 10 bits.
const CodecChoice kCodecs[] = {
    {"h264", "libx264", AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV420P, true},
    {"h265", "libx265", AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV420P10LE, true},
    {"prores", "prores_ks", AV_PIX_FMT_YUV422P10LE, AV_PIX_FMT_YUV422P10LE, true},
    {"ffv1", "ffv1", AV_PIX_FMT_0RGB32, AV_PIX_FMT_GBRP16LE, false},
};
const CodecChoice kY4m{"y4m", "wrapped_avframe", AV_PIX_FMT_YUV444P, AV_PIX_FMT_YUV444P16LE, false};
const CodecChoice kRgba{"rgba", "rawvideo", AV_PIX_FMT_RGBA, AV_PIX_FMT_RGBA, false};
const CodecChoice kRgba64{"rgba64", "rawvideo", AV_PIX_FMT_RGBA64LE, AV_PIX_FMT_RGBA64LE, false};

const CodecChoice& chooseCodec(const std::string& wanted, const std::string& path, PipeFormat pipe) {
    if (path == "-") return pipe == PipeFormat::Y4m ? kY4m : pipe == PipeFormat::Rgba ? kRgba : kRgba64;
    std::string name = wanted == "hevc" ? "h265" : wanted == "avc" ? "h264" : wanted;
    if (name.empty()) name = avcodec_find_encoder_by_name("libx264") != nullptr ? "h264" : "ffv1";
    for (const CodecChoice& c : kCodecs)
        if (name == c.name) {
            if (avcodec_find_encoder_by_name(c.encoder) != nullptr) return c;
            break;
        }
    std::string list;
    for (const std::string& c : availableVideoCodecs()) list += (list.empty() ? "" : ", ") + c;
    throw std::runtime_error("--codec: '" + wanted + "' is not in this build (it has " + list + ")");
}

// FFmpeg writes through our descriptor rather than opening a name, so the temporary file is
// made exclusively (OutputFile) and a link planted at its name is never followed.
constexpr int kIoBufferSize = 1 << 16;

#if LIBAVFORMAT_VERSION_MAJOR >= 61
using IoBytes = const uint8_t*;
#else
using IoBytes = uint8_t*;
#endif

int writeToFd(void* opaque, IoBytes data, int size) {
    const int fd = *static_cast<int*>(opaque);
    int left = size;
    while (left > 0) {
        const ssize_t n = ::write(fd, data, static_cast<std::size_t>(left));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return AVERROR(errno);
        if (n == 0) return AVERROR(ENOSPC);
        data += n;
        left -= static_cast<int>(n);
    }
    return size;
}

int64_t seekFd(void* opaque, int64_t offset, int whence) {
    const int fd = *static_cast<int*>(opaque);
    if (whence == AVSEEK_SIZE) {
        struct stat st {};
        return ::fstat(fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : AVERROR(errno);
    }
    const off_t at = ::lseek(fd, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : static_cast<int64_t>(at);
}

}  // namespace

std::vector<std::string> availableVideoCodecs() {
    std::vector<std::string> out;
    for (const CodecChoice& c : kCodecs)
        if (avcodec_find_encoder_by_name(c.encoder) != nullptr) out.emplace_back(c.name);
    return out;
}

struct VideoWriter::State {
    std::string path;
    std::unique_ptr<OutputFile> file;  // none for standard output
    int fd = -1;                       // the file's, for the I/O callbacks
    AVFormatContext* out = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* video = nullptr;
    AVPacket* packet = nullptr;
    AVPixelFormat format = AV_PIX_FMT_NONE;
    long long written = 0;
    // Audio copied from the source.
    AVFormatContext* audioIn = nullptr;
    int audioStream = -1;
    AVStream* audio = nullptr;
    AVPacket* held = nullptr;   // read, but later than the video written so far
    long long audioOffset = 0;  // the source's audio time of the first frame, in its time base

    ~State() {
        closeOutput();
        avformat_free_context(out);
        avcodec_free_context(&codec);
        av_packet_free(&packet);
        av_packet_free(&held);
        avformat_close_input(&audioIn);
        // The file (removed unless finish() moved it into place) goes after FFmpeg let go of it.
    }
    void openOutput(SaveMode mode) {
        if (out->oformat->flags & AVFMT_NOFILE) return;
        if (path == "-") {
            if (const int err = avio_open(&out->pb, "pipe:1", AVIO_FLAG_WRITE); err < 0)
                fail("cannot write", err);
            return;
        }
        file = std::make_unique<OutputFile>(path, mode);
        fd = file->fd();
        auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
        out->pb =
            buffer ? avio_alloc_context(buffer, kIoBufferSize, 1, &fd, nullptr, writeToFd, seekFd) : nullptr;
        if (out->pb == nullptr) {
            av_free(buffer);
            fail("cannot write", AVERROR(ENOMEM));
        }
        out->flags |= AVFMT_FLAG_CUSTOM_IO;
    }
    void closeOutput() {
        if (out == nullptr || out->pb == nullptr) return;
        if (!file) {
            avio_closep(&out->pb);
            return;
        }
        av_freep(&out->pb->buffer);
        avio_context_free(&out->pb);
    }
    [[noreturn]] void fail(const std::string& what, int err) const {
        throw std::runtime_error(path + ": " + what + " (" + avErrorText(err) + ")");
    }

    void writePackets() {
        while (true) {
            const int got = avcodec_receive_packet(codec, packet);
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return;
            if (got < 0) fail("cannot encode", got);
            av_packet_rescale_ts(packet, codec->time_base, video->time_base);
            packet->stream_index = video->index;
            if (const int err = av_interleaved_write_frame(out, packet); err < 0) fail("cannot write", err);
        }
    }

    // Copies the source's audio up to `seconds` after the first frame.
    void copyAudioUntil(double seconds) {
        if (audioIn == nullptr) return;
        const AVStream* src = audioIn->streams[audioStream];
        while (true) {
            if (held->data == nullptr) {
                const int r = av_read_frame(audioIn, held);
                if (r < 0) return;  // the audio ends here
                if (held->stream_index != audioStream || held->pts == AV_NOPTS_VALUE) {
                    av_packet_unref(held);
                    continue;
                }
            }
            const double t = static_cast<double>(held->pts - audioOffset) * av_q2d(src->time_base);
            if (t < 0) {
                av_packet_unref(held);
                continue;
            }
            if (t >= seconds) return;
            held->pts -= audioOffset;
            if (held->dts != AV_NOPTS_VALUE) held->dts -= audioOffset;
            av_packet_rescale_ts(held, src->time_base, audio->time_base);
            held->stream_index = audio->index;
            held->pos = -1;
            if (const int err = av_interleaved_write_frame(out, held); err < 0)
                fail("cannot write audio", err);
            av_packet_unref(held);
        }
    }

    void openAudio(const VideoSettings& s) {
        if (s.audioFrom.empty() || s.audioFrom == "-" || path == "-") return;
        if (avformat_open_input(&audioIn, s.audioFrom.c_str(), nullptr, nullptr) < 0) return;
        if (avformat_find_stream_info(audioIn, nullptr) < 0) return;
        audioStream = av_find_best_stream(audioIn, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        if (audioStream < 0) return;
        const AVStream* src = audioIn->streams[audioStream];
        if (avformat_query_codec(out->oformat, src->codecpar->codec_id, FF_COMPLIANCE_NORMAL) != 1) {
            std::fprintf(stderr,
                         "duovis: warning: %s: the container cannot hold the source's %s audio; "
                         "written without audio\n",
                         path.c_str(), avcodec_get_name(src->codecpar->codec_id));
            return;
        }
        audio = avformat_new_stream(out, nullptr);
        avcodec_parameters_copy(audio->codecpar, src->codecpar);
        audio->codecpar->codec_tag = 0;
        audio->time_base = src->time_base;
        held = av_packet_alloc();
        const double start = s.audioStartFrame * static_cast<double>(s.rateDen) / s.rateNum;
        const long long srcStart = src->start_time != AV_NOPTS_VALUE ? src->start_time : 0;
        audioOffset = srcStart + std::llround(start / av_q2d(src->time_base));
    }
};

VideoWriter::VideoWriter(const std::string& path, const VideoSettings& settings, int width, int height,
                         SaveMode mode)
    : s_(std::make_unique<State>()) {
    State& s = *s_;
    s.path = path;
    quietFfmpegLog();
    const CodecChoice& choice = chooseCodec(settings.codec, path, settings.pipe);
    const bool pipe = path == "-";
    const char* muxer = !pipe ? nullptr : settings.pipe == PipeFormat::Y4m ? "yuv4mpegpipe" : "rawvideo";
    if (const int err = avformat_alloc_output_context2(&s.out, nullptr, muxer, pipe ? nullptr : path.c_str());
        err < 0 || s.out == nullptr)
        s.fail("no container for this extension (mp4, mov, mkv)", err < 0 ? err : AVERROR_MUXER_NOT_FOUND);
    s.format = settings.bits > 8 ? choice.deep : choice.shallow;
    if (choice.evenSize && (width % 2 != 0 || height % 2 != 0))
        throw std::runtime_error(path + ": " + choice.name +
                                 " needs an even width and height, and the frames are " +
                                 sizeText(width, height) + " (--codec ffv1 takes any size)");

    const AVCodec* encoder = avcodec_find_encoder_by_name(choice.encoder);
    s.codec = avcodec_alloc_context3(encoder);
    s.codec->width = width;
    s.codec->height = height;
    s.codec->pix_fmt = s.format;
    s.codec->time_base = AVRational{settings.rateDen, settings.rateNum};
    s.codec->framerate = AVRational{settings.rateNum, settings.rateDen};
    s.codec->thread_count = 0;
    if (settings.bitrate) s.codec->bit_rate = *settings.bitrate;
    if (settings.crf) av_opt_set_int(s.codec->priv_data, "crf", *settings.crf, 0);
    // x265 logs through its own channel, not FFmpeg's; our errors say what failed.
    if (std::string(choice.encoder) == "libx265")
        av_opt_set(s.codec->priv_data, "x265-params", "log-level=error", 0);
    if ((av_pix_fmt_desc_get(s.format)->flags & AV_PIX_FMT_FLAG_RGB) == 0) {
        s.codec->colorspace = AVCOL_SPC_BT709;
        s.codec->color_primaries = AVCOL_PRI_BT709;
        s.codec->color_trc = AVCOL_TRC_BT709;
        s.codec->color_range = AVCOL_RANGE_MPEG;
    }
    if (s.out->oformat->flags & AVFMT_GLOBALHEADER) s.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (const int err = avcodec_open2(s.codec, encoder, nullptr); err < 0)
        s.fail(std::string("cannot open the ") + choice.name + " encoder", err);

    s.video = avformat_new_stream(s.out, nullptr);
    avcodec_parameters_from_context(s.video->codecpar, s.codec);
    // y4m takes its frame rate from the stream's time base, so a pipe ticks once a frame.
    const bool keepTimeBase = settings.timeBaseNum > 0 && !pipe;
    s.video->time_base =
        keepTimeBase ? AVRational{settings.timeBaseNum, settings.timeBaseDen} : s.codec->time_base;
    s.video->avg_frame_rate = s.codec->framerate;
    // MP4's and MOV's stereo box cannot say that the right eye comes first; claiming the
    // packing there would have players show the eyes swapped, so such files carry none.
    const std::string muxerName = s.out->oformat->name;
    const bool boxOnly = muxerName == "mp4" || muxerName == "mov";
    if (settings.layout.packing != Packing::None && settings.layout.rightFirst && boxOnly) {
        std::fprintf(stderr,
                     "duovis: warning: %s: .%s files cannot say the right eye comes first; written without "
                     "stereo metadata (.mkv can say it)\n",
                     path.c_str(), extensionOf(path).c_str());
    } else if (settings.layout.packing != Packing::None) {
        auto* stereo = reinterpret_cast<AVStereo3D*>(
            av_stream_new_side_data(s.video, AV_PKT_DATA_STEREO3D, sizeof(AVStereo3D)));
        if (stereo != nullptr) {
            *stereo = AVStereo3D{};
            stereo->type = settings.layout.packing == Packing::SideBySide ? AV_STEREO3D_SIDEBYSIDE
                                                                          : AV_STEREO3D_TOPBOTTOM;
            stereo->flags = settings.layout.rightFirst ? AV_STEREO3D_FLAG_INVERT : 0;
        }
        // MP4 and MOV keep the layout in a box their muxer writes only when asked to.
        s.out->strict_std_compliance = FF_COMPLIANCE_UNOFFICIAL;
    }
    s.openAudio(settings);
    s.packet = av_packet_alloc();

    s.openOutput(mode);
    if (const int err = avformat_write_header(s.out, nullptr); err < 0)
        s.fail(
            "." + extensionOf(path) + " files cannot hold " + choice.name + " video (.mkv holds every codec)",
            err);
}

VideoWriter::~VideoWriter() = default;

void VideoWriter::write(const Picture& picture) {
    State& s = *s_;
    if (picture.width != s.codec->width || picture.height != s.codec->height)
        throw std::runtime_error(s.path + ": frame " + std::to_string(s.written) + " is " +
                                 sizeText(picture.width, picture.height) + ", the video " +
                                 sizeText(s.codec->width, s.codec->height));
    FramePtr frame = frameFromPicture(picture, s.format);
    frame->pts = s.written++;
    if (const int err = avcodec_send_frame(s.codec, frame.get()); err < 0) s.fail("cannot encode", err);
    s.writePackets();
    s.copyAudioUntil(static_cast<double>(s.written) * av_q2d(av_inv_q(s.codec->framerate)));
}

void VideoWriter::finish() {
    State& s = *s_;
    if (const int err = avcodec_send_frame(s.codec, nullptr); err < 0) s.fail("cannot encode", err);
    s.writePackets();
    s.copyAudioUntil(static_cast<double>(s.written) * av_q2d(av_inv_q(s.codec->framerate)));
    if (const int err = av_write_trailer(s.out); err < 0) s.fail("cannot write", err);
    if (s.out->pb != nullptr) {
        avio_flush(s.out->pb);
        if (s.out->pb->error < 0) s.fail("cannot write", s.out->pb->error);
    }
    s.closeOutput();
    if (s.file) s.file->commit();
}

}  // namespace duovis::media
