#include "media/FfmpegPixels.h"

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

struct SwsFree {
    void operator()(SwsContext* c) const { sws_freeContext(c); }
};

bool isYuv(AVPixelFormat format) {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    return d != nullptr && (d->flags & AV_PIX_FMT_FLAG_RGB) == 0 && d->nb_components >= 3;
}

int swsMatrix(AVColorSpace space) {
    switch (space) {
        case AVCOL_SPC_BT709:
            return SWS_CS_ITU709;
        case AVCOL_SPC_BT2020_NCL:
        case AVCOL_SPC_BT2020_CL:
            return SWS_CS_BT2020;
        case AVCOL_SPC_SMPTE240M:
            return SWS_CS_SMPTE240M;
        default:
            return SWS_CS_ITU601;
    }
}

// swscale's vector code writes whole blocks of pixels, up to 15 past a row's end (8-bit YUV
// 4:2:0 and 4:2:2 to RGBA). Rows are written in order, so a row's excess is overwritten by the
// next and only the last row's leaves the picture: this much room after it takes that.
constexpr std::size_t kScaleSlack = 64 * 8;

// One conversion between `from` and `to` at `w` x `h`; `yuvSpace`/`yuvFull` describe whichever
// side is YUV. 8-bit work converts as FFmpeg's tools do by default; deeper frames, kept deep
// for their precision, get exact rounding and full chroma resolution, at some cost in time.
std::unique_ptr<SwsContext, SwsFree> converter(int w, int h, AVPixelFormat from, AVPixelFormat to,
                                               AVColorSpace yuvSpace, bool yuvFull) {
    const bool deep = bitsOf(from) > 8 || bitsOf(to) > 8;
    const int flags = deep ? SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT : SWS_BICUBIC;
    std::unique_ptr<SwsContext, SwsFree> sws(
        sws_getContext(w, h, from, w, h, to, flags, nullptr, nullptr, nullptr));
    if (!sws)
        throw std::runtime_error(std::string("no conversion from ") + av_get_pix_fmt_name(from) + " to " +
                                 av_get_pix_fmt_name(to));
    const int* coeffs = sws_getCoefficients(swsMatrix(yuvSpace));
    const bool srcFull = isYuv(from) ? yuvFull : true;
    const bool dstFull = isYuv(to) ? yuvFull : true;
    sws_setColorspaceDetails(sws.get(), coeffs, srcFull, coeffs, dstFull, 0, 1 << 16, 1 << 16);
    return sws;
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

Picture pictureFromFrame(const AVFrame& frame) {
    const auto format = static_cast<AVPixelFormat>(frame.format);
    const int bits = bitsOf(format);
    const bool deep = bits > 8;
    const AVPixelFormat to = deep ? AV_PIX_FMT_RGBA64LE : AV_PIX_FMT_RGBA;
    const auto sws = converter(frame.width, frame.height, format, to, frame.colorspace,
                               frame.color_range == AVCOL_RANGE_JPEG);
    const int bytesPer = deep ? 8 : 4;
    const int dstStride[4] = {frame.width * bytesPer, 0, 0, 0};
    const std::size_t size = static_cast<std::size_t>(frame.width) * frame.height * bytesPer;
    if (!deep) {
        Picture bytes;
        bytes.width = frame.width;
        bytes.height = frame.height;
        bytes.rgba8.resize(size + kScaleSlack);
        std::uint8_t* dst[4] = {bytes.rgba8.data(), nullptr, nullptr, nullptr};
        sws_scale(sws.get(), frame.data, frame.linesize, 0, frame.height, dst, dstStride);
        bytes.rgba8.resize(size);
        return bytes;
    }
    Picture pic(frame.width, frame.height, bits);
    std::vector<std::uint8_t> rgba(size + kScaleSlack);
    std::uint8_t* dst[4] = {rgba.data(), nullptr, nullptr, nullptr};
    sws_scale(sws.get(), frame.data, frame.linesize, 0, frame.height, dst, dstStride);
    for (std::size_t i = 0; i < pic.rgba.size(); ++i) {
        std::uint16_t v;
        std::memcpy(&v, rgba.data() + i * 2, 2);
        pic.rgba[i] = unitFromInt(v, 16);
    }
    return pic;
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
        const auto v =
            static_cast<std::uint16_t>(pic.inBytes() ? pic.rgba8[i] * 257u : intFromUnit(pic.rgba[i], 16));
        std::memcpy(scratch.data() + i * 2, &v, 2);
    }
    return scratch.data();
}

}  // namespace

FramePtr frameFromPicture(const Picture& pic, AVPixelFormat format) {
    const bool deep = bitsOf(format) > 8;
    const AVPixelFormat from = deep ? AV_PIX_FMT_RGBA64LE : AV_PIX_FMT_RGBA;
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
    const auto sws = converter(pic.width, pic.height, from, format, AVCOL_SPC_BT709, false);
    const std::uint8_t* src[4] = {samples, nullptr, nullptr, nullptr};
    const int srcStride[4] = {pic.width * bytesPer, 0, 0, 0};
    sws_scale(sws.get(), src, srcStride, 0, pic.height, frame->data, frame->linesize);
    return frame;
}

}  // namespace duovis::media
