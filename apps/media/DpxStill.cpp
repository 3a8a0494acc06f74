// DPX through FFmpeg's image codec: the file is one packet, so decoding and encoding are one
// call each. 10-bit files reach the float hosts without an 8-bit step.
extern "C" {
#include <libavcodec/avcodec.h>
}

#include <QFile>
#include <climits>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <new>
#include <stdexcept>
#include <vector>

#include "media/FfmpegPixels.h"
#include "media/StillFormat.h"

namespace duovis::media {

namespace {

struct CodecFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;

// The whole file, followed by the zeroed padding FFmpeg's decoders may read past a packet.
std::vector<char> bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(path + ": cannot open");
    std::vector<char> bytes(std::istreambuf_iterator<char>(in), {});
    if (bytes.size() > static_cast<std::size_t>(INT_MAX - AV_INPUT_BUFFER_PADDING_SIZE))
        throw std::runtime_error(path + ": too large for a DPX file");
    bytes.resize(bytes.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    return bytes;
}

// The first image element's pixels a line and lines (bytes 772 to 779 of the file header), in
// the byte order its magic number gives.
StillHeader headerOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char h[780];
    if (!in.read(reinterpret_cast<char*>(h), sizeof h))
        throw std::runtime_error(path + ": cannot read DPX file (its header is cut short)");
    const bool bigEndian = h[0] == 'S';
    const auto u32 = [&](int at) {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= std::uint32_t(h[at + i]) << (bigEndian ? 24 - 8 * i : 8 * i);
        return v;
    };
    return declaredHeader(path, u32(772), u32(776));
}

FramePtr decodeFrame(const std::string& path) {
    quietFfmpegLog();
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_DPX);
    if (codec == nullptr) throw std::runtime_error(path + ": this build has no DPX decoder");
    CodecPtr ctx(avcodec_alloc_context3(codec));
    if (const int err = avcodec_open2(ctx.get(), codec, nullptr); err < 0)
        throw std::runtime_error(path + ": cannot read DPX file (" + avErrorText(err) + ")");
    std::vector<char> bytes = bytesOf(path);
    AVPacket* packet = av_packet_alloc();
    if (packet == nullptr) throw std::bad_alloc();
    packet->data = reinterpret_cast<uint8_t*>(bytes.data());
    packet->size = static_cast<int>(bytes.size()) - AV_INPUT_BUFFER_PADDING_SIZE;
    int err = avcodec_send_packet(ctx.get(), packet);
    av_packet_free(&packet);
    FramePtr frame(av_frame_alloc());
    if (err >= 0) err = avcodec_receive_frame(ctx.get(), frame.get());
    if (err < 0) throw std::runtime_error(path + ": cannot read DPX file (" + avErrorText(err) + ")");
    return frame;
}

bool recognises(const QByteArray& head) {
    return head.startsWith("SDPX") || head.startsWith("XPDS");
}

StillHeader header(const std::string& path) {
    return headerOf(path);
}

// FFmpeg reads the size from the same bytes as headerOf(), so the limit checked there holds.
Frame decode(const std::string& path) {
    return Frame::of(pictureFromFrame(*decodeFrame(path)));
}

// 10 bits a channel for deep sources, the depth film scans use; 8 otherwise.
QByteArray encode(const Frame& frame, const std::string&) {
    quietFfmpegLog();
    Picture scratch;
    const Picture& pic = inFloats(frame.views.front(), scratch);
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DPX);
    if (codec == nullptr) throw std::runtime_error("this build has no DPX encoder");
    CodecPtr ctx(avcodec_alloc_context3(codec));
    ctx->width = pic.width;
    ctx->height = pic.height;
    ctx->pix_fmt = pic.bits > 8 ? AV_PIX_FMT_GBRP10LE : AV_PIX_FMT_RGB24;
    ctx->time_base = AVRational{1, 25};
    if (const int err = avcodec_open2(ctx.get(), codec, nullptr); err < 0)
        throw std::runtime_error("cannot encode DPX (" + avErrorText(err) + ")");
    const FramePtr f = frameFromPicture(pic, ctx->pix_fmt);
    AVPacket* packet = av_packet_alloc();
    int err = avcodec_send_frame(ctx.get(), f.get());
    if (err >= 0) err = avcodec_receive_packet(ctx.get(), packet);
    QByteArray bytes;
    if (err >= 0) bytes = QByteArray(reinterpret_cast<const char*>(packet->data), packet->size);
    av_packet_free(&packet);
    if (err < 0) throw std::runtime_error("cannot encode DPX (" + avErrorText(err) + ")");
    return bytes;
}

const char* const kExtensions[] = {"dpx", nullptr};

}  // namespace

const StillFormat& dpxStillFormat() {
    static const StillFormat format{"DPX", recognises, kExtensions, header, decode, encode};
    return format;
}

}  // namespace duovis::media
