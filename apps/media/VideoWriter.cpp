#include "media/VideoWriter.h"

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

#include "media/AudioCopy.h"
#include "media/ContainerFit.h"
#include "media/FfmpegPixels.h"
#include "media/OutputFile.h"
#include "media/ScaleContext.h"
#include "media/StillFile.h"
#include "media/VideoCodecs.h"

namespace duovis::media {

namespace {

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

// The codec, its options and the container checked, and the source's audio opened.
std::unique_ptr<AudioCopy> checkedSettings(const std::string& path, const VideoSettings& settings,
                                           const CodecChoice*& codec) {
    quietFfmpegLog();
    codec = &chooseCodec(settings, path);
    checkEncoderOptions(*codec, settings);
    std::unique_ptr<AudioCopy> audio;
    if (!settings.audioFrom.empty() && settings.audioFrom != "-" && path != "-")
        audio = AudioCopy::open(settings.audioFrom, settings.audioOrigin);
    checkContainerFits(path, *codec, audio ? &audio->parameters() : nullptr);
    return audio;
}

}  // namespace

void checkVideoSettings(const std::string& path, const VideoSettings& settings) {
    const CodecChoice* codec = nullptr;
    (void)checkedSettings(path, settings, codec);
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
    std::unique_ptr<AudioCopy> audio;  // from the source
    ScaleContext scale;                // the frames' conversion, kept from frame to frame

    ~State() {
        closeOutput();
        avformat_free_context(out);
        avcodec_free_context(&codec);
        av_packet_free(&packet);
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

    void openEncoder(const CodecChoice& choice, const VideoSettings& settings, int width, int height);
    void addVideoStream(const VideoSettings& settings);
    void describeStereo(const StereoLayout& layout);

    // The source's audio through the end of the frames written so far.
    void copyAudio() {
        if (!audio) return;
        if (const int err = audio->copyUntil(out, written, codec->time_base); err < 0)
            fail("cannot write audio", err);
    }
};

VideoWriter::VideoWriter(const std::string& path, const VideoSettings& settings, int width, int height,
                         SaveMode mode)
    : s_(std::make_unique<State>()) {
    State& s = *s_;
    s.path = path;
    const CodecChoice* chosen = nullptr;
    s.audio = checkedSettings(path, settings, chosen);
    const bool pipe = path == "-";
    const char* muxer = !pipe ? nullptr : settings.pipe == PipeFormat::Y4m ? "yuv4mpegpipe" : "rawvideo";
    if (const int err = avformat_alloc_output_context2(&s.out, nullptr, muxer, pipe ? nullptr : path.c_str());
        err < 0 || s.out == nullptr)
        s.fail("no container for this extension (mp4, mov, mkv)", err < 0 ? err : AVERROR_MUXER_NOT_FOUND);
    s.openEncoder(*chosen, settings, width, height);
    s.addVideoStream(settings);
    if (s.audio) s.audio->addStream(s.out);
    s.packet = av_packet_alloc();

    s.openOutput(mode);
    if (const int err = avformat_write_header(s.out, nullptr); err < 0)
        s.fail("." + extensionOf(path) + " files cannot hold " + chosen->name +
                   " video (.mkv holds every codec)",
               err);
}

// The encoder for frames of `width` x `height`, in the codec's format for their depth.
void VideoWriter::State::openEncoder(const CodecChoice& choice, const VideoSettings& settings, int width,
                                     int height) {
    format = settings.bits > 8 ? choice.deep : choice.shallow;
    if (choice.evenSize && (width % 2 != 0 || height % 2 != 0))
        throw std::runtime_error(path + ": " + choice.name +
                                 " needs an even width and height, and the frames are " +
                                 sizeText(width, height) + " (--codec ffv1 takes any size)");
    const AVCodec* encoder = avcodec_find_encoder_by_name(choice.encoder);
    codec = avcodec_alloc_context3(encoder);
    codec->width = width;
    codec->height = height;
    codec->pix_fmt = format;
    codec->time_base = AVRational{settings.rateDen, settings.rateNum};
    codec->framerate = AVRational{settings.rateNum, settings.rateDen};
    codec->thread_count = 0;
    applyEncoderOptions(choice, settings, codec);
    if ((av_pix_fmt_desc_get(format)->flags & AV_PIX_FMT_FLAG_RGB) == 0) {
        codec->colorspace = AVCOL_SPC_BT709;
        codec->color_primaries = AVCOL_PRI_BT709;
        codec->color_trc = AVCOL_TRC_BT709;
        codec->color_range = AVCOL_RANGE_MPEG;
    }
    if (out->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (const int err = avcodec_open2(codec, encoder, nullptr); err < 0)
        fail(std::string("cannot open the ") + choice.name + " encoder", err);
}

// The video's stream: its clock, and what players need to show it (stereo layout, rotation).
void VideoWriter::State::addVideoStream(const VideoSettings& settings) {
    video = avformat_new_stream(out, nullptr);
    avcodec_parameters_from_context(video->codecpar, codec);
    // y4m takes its frame rate from the stream's time base, so a pipe ticks once a frame.
    const bool keepTimeBase = settings.timeBaseNum > 0 && path != "-";
    video->time_base =
        keepTimeBase ? AVRational{settings.timeBaseNum, settings.timeBaseDen} : codec->time_base;
    video->avg_frame_rate = codec->framerate;
    describeStereo(settings.layout);
    if (settings.rotation && carriesRotation(path)) {
        void* matrix = av_stream_new_side_data(video, AV_PKT_DATA_DISPLAYMATRIX, sizeof(DisplayMatrix));
        if (matrix != nullptr) std::memcpy(matrix, settings.rotation->data(), sizeof(DisplayMatrix));
    }
}

// Side-by-side and top-bottom outputs say so in stereo side data, where the container can.
void VideoWriter::State::describeStereo(const StereoLayout& layout) {
    if (layout.packing == Packing::None) return;
    // MP4's and MOV's stereo box cannot say that the right eye comes first; claiming the
    // packing there would have players show the eyes swapped, so such files carry none.
    const std::string muxerName = out->oformat->name;
    if (layout.rightFirst && (muxerName == "mp4" || muxerName == "mov")) {
        std::fprintf(stderr,
                     "duovis: warning: %s: .%s files cannot say the right eye comes first; written without "
                     "stereo metadata (.mkv can say it)\n",
                     path.c_str(), extensionOf(path).c_str());
        return;
    }
    auto* stereo = reinterpret_cast<AVStereo3D*>(
        av_stream_new_side_data(video, AV_PKT_DATA_STEREO3D, sizeof(AVStereo3D)));
    if (stereo != nullptr) {
        *stereo = AVStereo3D{};
        stereo->type = layout.packing == Packing::SideBySide ? AV_STEREO3D_SIDEBYSIDE : AV_STEREO3D_TOPBOTTOM;
        stereo->flags = layout.rightFirst ? AV_STEREO3D_FLAG_INVERT : 0;
    }
    // MP4 and MOV keep the layout in a box their muxer writes only when asked to.
    out->strict_std_compliance = FF_COMPLIANCE_UNOFFICIAL;
}

VideoWriter::~VideoWriter() = default;

void VideoWriter::write(const Picture& picture) {
    State& s = *s_;
    if (picture.width != s.codec->width || picture.height != s.codec->height)
        throw std::runtime_error(s.path + ": frame " + std::to_string(s.written) + " is " +
                                 sizeText(picture.width, picture.height) + ", the video " +
                                 sizeText(s.codec->width, s.codec->height));
    FramePtr frame = frameFromPicture(picture, s.format, s.scale);
    frame->pts = s.written++;
    if (const int err = avcodec_send_frame(s.codec, frame.get()); err < 0) s.fail("cannot encode", err);
    s.writePackets();
    s.copyAudio();
}

void VideoWriter::finish() {
    State& s = *s_;
    if (const int err = avcodec_send_frame(s.codec, nullptr); err < 0) s.fail("cannot encode", err);
    s.writePackets();
    s.copyAudio();
    if (const int err = av_write_trailer(s.out); err < 0) s.fail("cannot write", err);
    if (s.out->pb != nullptr) {
        avio_flush(s.out->pb);
        if (s.out->pb->error < 0) s.fail("cannot write", s.out->pb->error);
    }
    s.closeOutput();
    if (s.file) s.file->commit();
}

}  // namespace duovis::media
