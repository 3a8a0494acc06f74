#include "media/FfmpegPixels.h"

#include "media/ScaleContext.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace duovis::media {

namespace {

// swscale's vector code writes whole blocks of pixels, up to 15 past a row's end (8-bit YUV
// 4:2:0 and 4:2:2 to RGBA). Rows are written in order, so a row's excess is overwritten by the
// next and only the last row's leaves the picture: this much room after it takes that.
constexpr std::size_t kScaleSlack = 64 * 8;

// FFmpeg's vector YUV-to-RGB code, which made every 8-bit video picture so far, writes RGBA but
// not ARGB, and its C code for ARGB rounds differently. Frames with subsampled chroma are
// therefore converted to RGBA and turned; the others (RGB, grey, 4:4:4) go straight to ARGB,
// which gives the same bytes.
ByteOrder convertsTo(AVPixelFormat from, ByteOrder wanted) {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(from);
    const bool subsampled = d == nullptr || d->log2_chroma_w > 0 || d->log2_chroma_h > 0;
    return isYuv(from) && subsampled ? ByteOrder::Rgba : wanted;
}

AVPixelFormat bytesFormat(ByteOrder order) {
    return order == ByteOrder::Argb ? AV_PIX_FMT_ARGB : AV_PIX_FMT_RGBA;
}

}  // namespace

std::string avErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

namespace {

thread_local std::string lastError;

// Keeps the library's last error line for the error that follows it, printing nothing.
void keepErrorLine(void* object, int level, const char* format, va_list args) {
    if (level > AV_LOG_ERROR) return;
    char line[256] = {};
    int prefix = 1;
    av_log_format_line2(object, level, format, args, line, sizeof line, &prefix);
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    // The line starts with the reporting object's name in brackets, which users need not see.
    if (!text.empty() && text.front() == '[' && text.find("] ") != std::string::npos)
        text = text.substr(text.find("] ") + 2);
    lastError = text;
}

}  // namespace

void quietFfmpegLog() {
    static const bool once = [] {
        const char* keep = std::getenv("DUOVIS_FFMPEG_LOG");
        const bool verbose = keep != nullptr && *keep == '1';
        av_log_set_level(verbose ? AV_LOG_INFO : AV_LOG_ERROR);
        if (!verbose) av_log_set_callback(keepErrorLine);
        return true;
    }();
    (void)once;
}

std::string takeFfmpegError() {
    std::string text;
    text.swap(lastError);
    return text;
}

int bitsOf(AVPixelFormat format) {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    return d != nullptr ? d->comp[0].depth : 8;
}

namespace {

Picture bytesFromFrame(const AVFrame& frame, SwsContext* sws, ByteOrder order) {
    Picture bytes;
    bytes.width = frame.width;
    bytes.height = frame.height;
    bytes.order = order;
    const std::size_t size = static_cast<std::size_t>(frame.width) * frame.height * 4;
    bytes.rgba8.resize(size + kScaleSlack);
    std::uint8_t* dst[4] = {bytes.rgba8.data(), nullptr, nullptr, nullptr};
    const int dstStride[4] = {frame.width * 4, 0, 0, 0};
    sws_scale(sws, frame.data, frame.linesize, 0, frame.height, dst, dstStride);
    bytes.rgba8.resize(size);
    return bytes;
}

Picture deepFromFrame(const AVFrame& frame, SwsContext* sws) {
    Picture pic(frame.width, frame.height, bitsOf(static_cast<AVPixelFormat>(frame.format)));
    const std::size_t size = static_cast<std::size_t>(frame.width) * frame.height * 8;
    std::vector<std::uint8_t> rgba(size + kScaleSlack);
    std::uint8_t* dst[4] = {rgba.data(), nullptr, nullptr, nullptr};
    const int dstStride[4] = {frame.width * 8, 0, 0, 0};
    sws_scale(sws, frame.data, frame.linesize, 0, frame.height, dst, dstStride);
    for (std::size_t i = 0; i < pic.rgba.size(); ++i) {
        std::uint16_t v;
        std::memcpy(&v, rgba.data() + i * 2, 2);
        pic.rgba[i] = unitFromInt(v, 16);
    }
    return pic;
}

}  // namespace

Picture pictureFromFrame(const AVFrame& frame, ScaleContext& scale, ByteOrder order) {
    const auto format = static_cast<AVPixelFormat>(frame.format);
    const bool deep = bitsOf(format) > 8;
    const ByteOrder made = convertsTo(format, order);
    const AVPixelFormat to = deep ? AV_PIX_FMT_RGBA64LE : bytesFormat(made);
    SwsContext* sws = scale.get(frame.width, frame.height, format, to, frame.colorspace,
                                frame.color_range == AVCOL_RANGE_JPEG);
    if (deep) return deepFromFrame(frame, sws);
    Picture bytes = bytesFromFrame(frame, sws, made);
    reorderBytes(bytes, order);
    return bytes;
}

Picture pictureFromFrame(const AVFrame& frame) {
    ScaleContext once;
    return pictureFromFrame(frame, once, ByteOrder::Rgba);
}

namespace {

// The picture as packed RGBA samples of 8 or 16 bits: its own bytes where they serve, else
// converted into `scratch`.
const std::uint8_t* packedSamples(const Picture& pic, bool deep, std::vector<std::uint8_t>& scratch) {
    if (pic.inBytes() && !deep) return pic.rgba8.data();
    const std::size_t count = static_cast<std::size_t>(pic.width) * pic.height * 4;
    scratch.resize(count * (deep ? 2 : 1));
    for (std::size_t i = 0; i < count; ++i) {
        if (!deep) {
            scratch[i] = static_cast<std::uint8_t>(intFromUnit(pic.rgba[i], 8));
            continue;
        }
        const auto v = static_cast<std::uint16_t>(
            pic.inBytes() ? pic.rgba8[i - i % 4 + byteOf(pic.order, static_cast<int>(i % 4))] * 257u
                          : intFromUnit(pic.rgba[i], 16));
        std::memcpy(scratch.data() + i * 2, &v, 2);
    }
    return scratch.data();
}

}  // namespace

FramePtr frameFromPicture(const Picture& pic, AVPixelFormat format, ScaleContext& scale) {
    const bool deep = bitsOf(format) > 8;
    // The picture's own bytes are converted in their order, ARGB as well: swscale reads every
    // order into YUV alike.
    const AVPixelFormat from = deep            ? AV_PIX_FMT_RGBA64LE
                               : pic.inBytes() ? bytesFormat(pic.order)
                                               : AV_PIX_FMT_RGBA;
    const int bytesPer = deep ? 8 : 4;
    std::vector<std::uint8_t> scratch;
    const std::uint8_t* samples = packedSamples(pic, deep, scratch);
    FramePtr frame(av_frame_alloc());
    frame->format = format;
    frame->width = pic.width;
    frame->height = pic.height;
    if (isYuv(format)) {
        frame->colorspace = AVCOL_SPC_BT709;
        frame->color_primaries = AVCOL_PRI_BT709;
        frame->color_trc = AVCOL_TRC_BT709;
        frame->color_range = AVCOL_RANGE_MPEG;
    }
    if (const int err = av_frame_get_buffer(frame.get(), 0); err < 0)
        throw std::runtime_error("cannot make a video frame (" + avErrorText(err) + ")");
    SwsContext* sws = scale.get(pic.width, pic.height, from, format, AVCOL_SPC_BT709, false);
    const std::uint8_t* src[4] = {samples, nullptr, nullptr, nullptr};
    const int srcStride[4] = {pic.width * bytesPer, 0, 0, 0};
    sws_scale(sws, src, srcStride, 0, pic.height, frame->data, frame->linesize);
    return frame;
}

FramePtr frameFromPicture(const Picture& pic, AVPixelFormat format) {
    ScaleContext once;
    return frameFromPicture(pic, format, once);
}

}  // namespace duovis::media
