#include "media/ScaleContext.h"

extern "C" {
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <stdexcept>
#include <string>

#include "media/FfmpegPixels.h"

namespace duovis::media {

namespace {

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

std::string nameOf(AVPixelFormat format) {
    const char* name = av_get_pix_fmt_name(format);
    return name != nullptr ? name : "format " + std::to_string(static_cast<int>(format));
}

}  // namespace

bool isYuv(AVPixelFormat format) {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    return d != nullptr && (d->flags & AV_PIX_FMT_FLAG_RGB) == 0 && d->nb_components >= 3;
}

ScaleContext::ScaleContext() = default;
ScaleContext::~ScaleContext() = default;

void ScaleContext::Free::operator()(SwsContext* c) const {
    sws_freeContext(c);
}

// 8-bit work converts as FFmpeg's tools do by default; deeper frames, kept deep for their
// precision, get exact rounding and full chroma resolution, at some cost in time.
SwsContext* ScaleContext::get(int w, int h, AVPixelFormat from, AVPixelFormat to, AVColorSpace yuvSpace,
                              bool yuvFull) {
    const Key key{w, h, from, to, yuvSpace, yuvFull};
    if (sws_ && key == key_) return sws_.get();
    sws_.reset();
    const bool deep = bitsOf(from) > 8 || bitsOf(to) > 8;
    const int flags = deep ? SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT : SWS_BICUBIC;
    sws_.reset(sws_getContext(w, h, from, w, h, to, flags, nullptr, nullptr, nullptr));
    if (!sws_) throw std::runtime_error("no conversion from " + nameOf(from) + " to " + nameOf(to));
    const int* coeffs = sws_getCoefficients(swsMatrix(yuvSpace));
    const bool srcFull = isYuv(from) ? yuvFull : true;
    const bool dstFull = isYuv(to) ? yuvFull : true;
    sws_setColorspaceDetails(sws_.get(), coeffs, srcFull, coeffs, dstFull, 0, 1 << 16, 1 << 16);
    key_ = key;
    ++made_;
    return sws_.get();
}

}  // namespace duovis::media
