// The two eye views the measurement works on, built from what the effect streams (a layer's
// raw pixels and its layout code) or from image files. Views are single-channel float luma in
// 0..255 at the eye frame's size, sampled the way the effect samples a packed frame, so a point
// in a view is a point in the effect's eye grid.
#pragma once

#include "core/frame/EyeGeometry.h"
#include "core/params/ToolBlock.h"

#include <QImage>

#include <opencv2/core.hpp>

#include <cstdint>
#include <functional>
#include <string>

namespace depthscope {

// One layer as the block describes it (slots 6-10 or 11-15).
struct LayerDesc {
    int32_t width = 0, height = 0, bytesPerPixel = 0, rowBytes = 0, layout = 0;

    static LayerDesc fromBlock(const duovis::ToolBlock& block, int firstSlot);
    bool present() const { return rowBytes > 0; }
    int64_t byteCount() const { return int64_t(rowBytes) * height; }
};

// The bytes-per-pixel slot always says 4; float pixels show in the row bytes.
enum class PixelLayout { Argb8, Bgra32f };

// The layer's pixel layout; false with `error` naming what is wrong.
bool pixelLayoutOf(const LayerDesc& d, PixelLayout& layout, std::string& error);

// Luma of a layer's pixels (rows `rowBytes` apart).
cv::Mat lumaFromLayer(const unsigned char* bytes, const LayerDesc& d, PixelLayout layout);
cv::Mat lumaFromImage(const QImage& image);
// The views' luma rule: of 0..255 channels, and of float channels (1 is white) on the same
// scale, out-of-range values and NaN clamped.
float lumaOfBytes(float r, float g, float b);
float lumaOfUnits(float r, float g, float b);

struct EyeViews {
    duovis::EyeSize eye;
    cv::Mat left, right;
};

// Both eyes from the primary layer and, where the primary does not carry both, the secondary.
// False with a message when the layers do not give two eyes.
bool eyeViewsFromLayers(const cv::Mat& primary, int32_t primaryLayout, const cv::Mat& secondary,
                        int32_t secondaryLayout, EyeViews& views, std::string& error);

// The stream's next bytes: up to `size` into `into`, fewer only where the stream ended or went
// quiet; returns how many arrived.
using ByteSource = std::function<int64_t(unsigned char* into, int64_t size)>;

// What the effect streams, the block and then the layers it describes, read from `source` into
// the two eye views. `block` holds whatever of the block arrived (the rest 0) so that a refusal
// can still be answered; false with `error` naming what fell short.
bool readEyeViews(const ByteSource& source, duovis::ToolBlock& block, EyeViews& views, std::string& error);

// One file per eye; the eye frame takes the left file's size.
EyeViews eyeViewsFromImages(const cv::Mat& left, const cv::Mat& right);

}  // namespace depthscope
