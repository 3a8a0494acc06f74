// 8-bit video frames decoded into the compositing host's ARGB and encoded from it: the bytes
// must be those of the RGBA route every earlier output was made by, in every source format the
// reader meets and every format the writer encodes, and the stream's conversion is kept.
extern "C" {
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <random>
#include <vector>

#include "media/FfmpegPixels.h"
#include "media/ScaleContext.h"

namespace duovis::mediatest {
namespace {

using media::ByteOrder;

// A frame of `format` whose every plane byte is noise.
media::FramePtr noiseFrame(AVPixelFormat format, int w, int h, unsigned seed) {
    media::FramePtr f(av_frame_alloc());
    f->format = format;
    f->width = w;
    f->height = h;
    f->colorspace = AVCOL_SPC_BT709;
    EXPECT_EQ(av_frame_get_buffer(f.get(), 0), 0);
    std::mt19937 noise(seed);
    for (int p = 0; p < 4 && f->buf[p] != nullptr; ++p)
        for (std::size_t i = 0; i < f->buf[p]->size; ++i)
            f->buf[p]->data[i] = static_cast<std::uint8_t>(noise());
    return f;
}

// The route 8-bit frames took before: a context of their own and RGBA, spelled out here with
// swscale so the reader's code is not its own reference.
std::vector<std::uint8_t> rgbaAsBefore(const AVFrame& f) {
    const auto from = static_cast<AVPixelFormat>(f.format);
    SwsContext* sws = sws_getContext(f.width, f.height, from, f.width, f.height, AV_PIX_FMT_RGBA, SWS_BICUBIC,
                                     nullptr, nullptr, nullptr);
    const int* coeffs = sws_getCoefficients(SWS_CS_ITU709);
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(from);
    const bool yuv = (d->flags & AV_PIX_FMT_FLAG_RGB) == 0 && d->nb_components >= 3;
    sws_setColorspaceDetails(sws, coeffs, yuv ? f.color_range == AVCOL_RANGE_JPEG : 1, coeffs, 1, 0, 1 << 16,
                             1 << 16);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(f.width) * f.height * 4 + 1024);
    std::uint8_t* dst[4] = {out.data(), nullptr, nullptr, nullptr};
    const int stride[4] = {f.width * 4, 0, 0, 0};
    sws_scale(sws, f.data, f.linesize, 0, f.height, dst, stride);
    sws_freeContext(sws);
    out.resize(static_cast<std::size_t>(f.width) * f.height * 4);
    return out;
}

// The RGBA bytes turned to ARGB, as the host's world holds them.
std::vector<std::uint8_t> argbOf(const std::vector<std::uint8_t>& rgba) {
    std::vector<std::uint8_t> argb(rgba.size());
    for (std::size_t i = 0; i < rgba.size(); i += 4)
        argb[i] = rgba[i + 3], argb[i + 1] = rgba[i], argb[i + 2] = rgba[i + 1], argb[i + 3] = rgba[i + 2];
    return argb;
}

struct SourceCase {
    AVPixelFormat format;
    int width, height;  // widths of 16 and more take swscale's vector code where it has one
};

void PrintTo(const SourceCase& c, std::ostream* os) {
    *os << av_get_pix_fmt_name(c.format) << " " << c.width << " x " << c.height;
}

class EightBitDecode : public ::testing::TestWithParam<SourceCase> {};

TEST_P(EightBitDecode, ArgbAndRgbaHoldTheBytesOfTheEarlierRoute) {
    const SourceCase& c = GetParam();
    media::ScaleContext scale;
    for (unsigned seed = 1; seed <= 2; ++seed) {
        const media::FramePtr f = noiseFrame(c.format, c.width, c.height, seed);
        const std::vector<std::uint8_t> before = rgbaAsBefore(*f);
        const media::Picture argb = media::pictureFromFrame(*f, scale, ByteOrder::Argb);
        EXPECT_EQ(argb.order, ByteOrder::Argb);
        EXPECT_TRUE(argb.rgba8 == argbOf(before)) << "frame " << seed;
        const media::Picture rgba = media::pictureFromFrame(*f);
        EXPECT_TRUE(rgba.order == ByteOrder::Rgba && rgba.rgba8 == before) << "frame " << seed;
    }
    // Both frames went through the one context the stream keeps.
    EXPECT_EQ(scale.made(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, EightBitDecode,
    ::testing::Values(SourceCase{AV_PIX_FMT_YUV420P, 64, 48}, SourceCase{AV_PIX_FMT_YUV420P, 33, 17},
                      SourceCase{AV_PIX_FMT_YUVJ420P, 64, 48}, SourceCase{AV_PIX_FMT_YUV422P, 64, 48},
                      SourceCase{AV_PIX_FMT_YUVJ422P, 64, 48}, SourceCase{AV_PIX_FMT_YUV440P, 64, 48},
                      SourceCase{AV_PIX_FMT_YUV410P, 64, 48}, SourceCase{AV_PIX_FMT_YUV411P, 64, 48},
                      SourceCase{AV_PIX_FMT_NV12, 64, 48}, SourceCase{AV_PIX_FMT_NV21, 64, 48},
                      SourceCase{AV_PIX_FMT_YUYV422, 64, 48}, SourceCase{AV_PIX_FMT_YUVA420P, 64, 48},
                      SourceCase{AV_PIX_FMT_YUV444P, 64, 48}, SourceCase{AV_PIX_FMT_YUVJ444P, 64, 48},
                      SourceCase{AV_PIX_FMT_GBRP, 64, 48}, SourceCase{AV_PIX_FMT_BGR0, 64, 48},
                      SourceCase{AV_PIX_FMT_RGB24, 64, 48}, SourceCase{AV_PIX_FMT_RGBA, 64, 48},
                      SourceCase{AV_PIX_FMT_GRAY8, 64, 48}),
    [](const ::testing::TestParamInfo<SourceCase>& row) {
        return std::string(av_get_pix_fmt_name(row.param.format)) + "_" + std::to_string(row.param.width);
    });

// A frame's visible plane bytes, row by row, without the padding at each row's end.
std::vector<std::uint8_t> planeBytes(const AVFrame& f) {
    const auto format = static_cast<AVPixelFormat>(f.format);
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    std::vector<std::uint8_t> bytes;
    for (int p = 0; p < 4 && f.data[p] != nullptr; ++p) {
        const bool chroma = (p == 1 || p == 2) && (d->flags & AV_PIX_FMT_FLAG_RGB) == 0;
        const int rows = chroma ? AV_CEIL_RSHIFT(f.height, d->log2_chroma_h) : f.height;
        const int width = av_image_get_linesize(format, f.width, p);
        for (int y = 0; y < rows; ++y)
            bytes.insert(bytes.end(), f.data[p] + y * f.linesize[p], f.data[p] + y * f.linesize[p] + width);
    }
    return bytes;
}

class EightBitEncode : public ::testing::TestWithParam<AVPixelFormat> {};

// The encoders' formats (H.264 and H.265, ProRes, FFV1, y4m and the raw pipes) from ARGB and
// from RGBA bytes of the same pixels.
TEST_P(EightBitEncode, ArgbGivesTheFrameRgbaGave) {
    media::ScaleContext scale;
    for (const auto& [w, h] : {std::pair{64, 48}, {64, 48}, {34, 18}}) {
        media::Picture rgba = media::Picture::bytes(w, h);
        std::mt19937 noise(static_cast<unsigned>(w * h));
        for (auto& v : rgba.rgba8) v = static_cast<unsigned char>(noise());
        media::Picture argb = rgba;
        media::reorderBytes(argb, ByteOrder::Argb);
        ASSERT_EQ(argb.rgba8[0], rgba.rgba8[3]);
        const media::FramePtr before = media::frameFromPicture(rgba, GetParam());
        const media::FramePtr after = media::frameFromPicture(argb, GetParam(), scale);
        EXPECT_TRUE(planeBytes(*before) == planeBytes(*after)) << w << " x " << h;
    }
    // Made again for the new size only.
    EXPECT_EQ(scale.made(), 2);
}

INSTANTIATE_TEST_SUITE_P(Formats, EightBitEncode,
                         ::testing::Values(AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV422P10LE, AV_PIX_FMT_0RGB32,
                                           AV_PIX_FMT_YUV444P, AV_PIX_FMT_RGBA, AV_PIX_FMT_RGBA64LE),
                         [](const ::testing::TestParamInfo<AVPixelFormat>& row) {
                             return std::string(av_get_pix_fmt_name(row.param));
                         });

}  // namespace
}  // namespace duovis::mediatest
