#include "EyeViews.h"

#include "core/kernel/StereoRules.h"
#include "core/params/Codes.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstring>
#include <vector>

namespace depthscope {

using duovis::ToolLayout;

namespace {

// The effect's frames stay well inside this; anything larger is a damaged block.
constexpr int32_t kMaxSide = 32768;
constexpr int64_t kMaxLayerBytes = int64_t(1) << 31;
// The first step of a layer's buffer; it doubles from there as the bytes arrive.
constexpr int64_t kFirstChunk = int64_t(1) << 16;

float luma(float r, float g, float b) {
    return 0.299f * r + 0.587f * g + 0.114f * b;
}

using duovis::stereo::Placement;

// Where the layout's eye sits in its frame; a packed pair is read as its two halves.
Placement placementOf(const ToolLayout& l) {
    if (!l.packed) return duovis::stereo::PLACE_WHOLE;
    return l.channel == 1 ? duovis::stereo::PLACE_SECOND_HALF : duovis::stereo::PLACE_FIRST_HALF;
}

duovis::DemuxCode demuxOf(const ToolLayout& l) {
    if (!l.packed) return duovis::DEMUX_NONE;
    if (l.sideBySide) return l.fullSize ? duovis::DEMUX_SBS_FULL : duovis::DEMUX_SBS_HALF;
    return l.fullSize ? duovis::DEMUX_TB_FULL : duovis::DEMUX_TB_HALF;
}

// The eye at `placement` in `frame`, sampled at each eye-grid position where the effect's
// sampler reads it: a half-size eye is stretched back, a full-size one taken as is.
cv::Mat eyeView(const cv::Mat& frame, const ToolLayout& layout, Placement placement, duovis::EyeSize eye) {
    namespace stereo = duovis::stereo;
    const double w = frame.cols, h = frame.rows;
    const duovis::DemuxCode demux = demuxOf(layout);
    const bool second = stereo::isSecondHalf(placement);
    const double scale = demux == duovis::DEMUX_SBS_HALF || demux == duovis::DEMUX_TB_HALF ? 0.5 : 1.0;
    double sx = 1, ox = 0, sy = 1, oy = 0;
    if (stereo::splitsAcross(demux, placement)) {
        sx = scale;
        ox = second ? w / 2 : 0.0;
    }
    if (stereo::splitsDown(demux, placement)) {
        sy = scale;
        oy = second ? h / 2 : 0.0;
    }
    const cv::Matx23d toFrame(sx, 0, ox, 0, sy, oy);
    cv::Mat view;
    cv::warpAffine(frame, view, toFrame, cv::Size(eye.width, eye.height),
                   cv::INTER_LINEAR | cv::WARP_INVERSE_MAP, cv::BORDER_REPLICATE);
    return view;
}

// Up to `count` bytes from `source`. The buffer grows with what arrives (doubling, at most to
// `count`), so a block that promises a huge layer and sends little costs little memory, and
// the buffer is never larger than the layer.
std::vector<unsigned char> readBytes(const ByteSource& source, int64_t count) {
    std::vector<unsigned char> bytes;
    int64_t got = 0;
    while (got < count) {
        const auto held = static_cast<int64_t>(bytes.capacity());
        if (got == held)
            bytes.reserve(static_cast<std::size_t>(std::min(count, std::max(kFirstChunk, 2 * held))));
        const int64_t want = static_cast<int64_t>(bytes.capacity()) - got;
        bytes.resize(static_cast<std::size_t>(got + want));
        const int64_t n = std::max<int64_t>(0, std::min(want, source(bytes.data() + got, want)));
        got += n;
        if (n < want) break;
    }
    bytes.resize(static_cast<std::size_t>(got));
    return bytes;
}

// One layer's pixels off the stream as luma; false with a message when they do not all arrive.
bool readLayer(const ByteSource& source, const char* which, const LayerDesc& d, cv::Mat& luma,
               std::string& error) {
    PixelLayout format;
    if (!pixelLayoutOf(d, format, error)) {
        error = std::string(which) + " " + error;
        return false;
    }
    const std::vector<unsigned char> bytes = readBytes(source, d.byteCount());
    if (static_cast<int64_t>(bytes.size()) < d.byteCount()) {
        error = std::string(which) + " pixels ended after " + std::to_string(bytes.size()) + " of " +
                std::to_string(d.byteCount()) + " bytes (" + std::to_string(d.width) + " x " +
                std::to_string(d.height) + ", row bytes " + std::to_string(d.rowBytes) + ")";
        return false;
    }
    luma = lumaFromLayer(bytes.data(), d, format);
    return true;
}

}  // namespace

float lumaOfBytes(float r, float g, float b) {
    return luma(r, g, b);
}

float lumaOfUnits(float r, float g, float b) {
    return 255.0f * std::min(1.0f, std::max(0.0f, luma(r, g, b)));
}

LayerDesc LayerDesc::fromBlock(const duovis::ToolBlock& block, int firstSlot) {
    const auto s = [&](int i) { return block.slot[static_cast<std::size_t>(firstSlot + i)]; };
    return {s(0), s(1), s(2), s(3), s(4)};
}

bool pixelLayoutOf(const LayerDesc& d, PixelLayout& layout, std::string& error) {
    if (d.width <= 0 || d.height <= 0 || d.width > kMaxSide || d.height > kMaxSide) {
        error = "layer size " + std::to_string(d.width) + " x " + std::to_string(d.height) + " is not usable";
        return false;
    }
    if (d.byteCount() > kMaxLayerBytes) {
        error = "layer of " + std::to_string(d.byteCount()) + " bytes is larger than any frame";
        return false;
    }
    if (int64_t(d.rowBytes) >= 16 * int64_t(d.width)) {
        layout = PixelLayout::Bgra32f;
        return true;
    }
    if (int64_t(d.rowBytes) >= 4 * int64_t(d.width)) {
        layout = PixelLayout::Argb8;
        return true;
    }
    error = "row bytes " + std::to_string(d.rowBytes) + " do not hold " + std::to_string(d.width) + " pixels";
    return false;
}

cv::Mat lumaFromLayer(const unsigned char* bytes, const LayerDesc& d, PixelLayout layout) {
    cv::Mat out(d.height, d.width, CV_32F);
    for (int y = 0; y < d.height; ++y) {
        const unsigned char* row = bytes + int64_t(y) * d.rowBytes;
        float* o = out.ptr<float>(y);
        for (int x = 0; x < d.width; ++x) {
            if (layout == PixelLayout::Argb8) {
                const unsigned char* p = row + 4 * x;
                o[x] = luma(p[1], p[2], p[3]);
            } else {
                float p[4];
                std::memcpy(p, row + 16 * x, sizeof p);
                o[x] = lumaOfUnits(p[2], p[1], p[0]);
            }
        }
    }
    return out;
}

cv::Mat lumaFromImage(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    cv::Mat out(argb.height(), argb.width(), CV_32F);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        float* o = out.ptr<float>(y);
        for (int x = 0; x < argb.width(); ++x)
            o[x] = luma(float(qRed(row[x])), float(qGreen(row[x])), float(qBlue(row[x])));
    }
    return out;
}

bool eyeViewsFromLayers(const cv::Mat& primary, int32_t primaryLayout, const cv::Mat& secondary,
                        int32_t secondaryLayout, EyeViews& views, std::string& error) {
    const ToolLayout p = duovis::decodeToolLayout(primaryLayout);
    views.eye = duovis::computeEyeSize(uint32_t(primary.cols), uint32_t(primary.rows), {}, {}, demuxOf(p));
    if (views.eye.width < 8 || views.eye.height < 8) {
        error = "eye frame " + std::to_string(views.eye.width) + " x " + std::to_string(views.eye.height) +
                " is too small to measure";
        return false;
    }
    if (p.packed && p.channel == 3) {
        views.left = eyeView(primary, p, duovis::stereo::PLACE_FIRST_HALF, views.eye);
        views.right = eyeView(primary, p, duovis::stereo::PLACE_SECOND_HALF, views.eye);
        return true;
    }
    if (secondary.empty()) {
        error = "the effect sent one eye only (no second layer and no packed pair)";
        return false;
    }
    const ToolLayout s = duovis::decodeToolLayout(secondaryLayout);
    views.left = eyeView(primary, p, placementOf(p), views.eye);
    views.right = eyeView(secondary, s, placementOf(s), views.eye);
    return true;
}

EyeViews eyeViewsFromImages(const cv::Mat& left, const cv::Mat& right) {
    EyeViews v;
    v.eye = {left.cols, left.rows};
    v.left = left;
    v.right = eyeView(right, ToolLayout{}, duovis::stereo::PLACE_WHOLE, v.eye);
    return v;
}

bool readEyeViews(const ByteSource& source, duovis::ToolBlock& block, EyeViews& views, std::string& error) {
    using duovis::kToolBlockBytes;
    unsigned char raw[kToolBlockBytes] = {};
    const int64_t got =
        std::max<int64_t>(0, std::min<int64_t>(kToolBlockBytes, source(raw, kToolBlockBytes)));
    block = duovis::ToolBlock::fromBytes(raw, static_cast<std::size_t>(got));
    if (got < kToolBlockBytes) {
        error = "the block ended after " + std::to_string(got) + " of " + std::to_string(kToolBlockBytes) +
                " bytes";
        return false;
    }
    const LayerDesc primary = LayerDesc::fromBlock(block, duovis::TOOL_SLOT_PRIMARY);
    const LayerDesc secondary = LayerDesc::fromBlock(block, duovis::TOOL_SLOT_SECONDARY);
    cv::Mat primaryLuma, secondaryLuma;
    if (!readLayer(source, "primary layer:", primary, primaryLuma, error)) return false;
    if (secondary.present() && !readLayer(source, "secondary layer:", secondary, secondaryLuma, error))
        return false;
    return eyeViewsFromLayers(primaryLuma, primary.layout, secondaryLuma, secondary.layout, views, error);
}

}  // namespace depthscope
