// A synthetic stereo pair with a known misalignment: a textured background and a few textured
// slabs in front of it, seen by the right eye with a real horizontal disparity between near and
// far, then moved down, turned and scaled about the eye's centre. Evaluated analytically at
// every sample (no resampling), so the truth is exact.
#pragma once

#include "EyeViews.h"

#include <QImage>

#include <cstdint>
#include <string>
#include <vector>

namespace depthscope {

// What the pair shows. Besides the slabs, scenes made to mislead a measurement: a pattern of
// squares filling most of the frame, texture in one corner only or in one strip, a textured
// wall at one depth, and a blank wall with nothing but each camera's own noise.
enum class SynthScene { Slabs, Pattern, Corner, Strip, Wall, Blank };

// The scene for a name as the synth command takes it (slabs, pattern, corner, strip, wall,
// blank); false for any other.
bool synthSceneNamed(const std::string& name, SynthScene& scene);

struct SynthSpec {
    SynthScene scene = SynthScene::Slabs;
    int width = 960, height = 540;
    double verticalPx = 4.0;   // the right eye sits this much lower
    double rotationDeg = 0.8;  // and turned clockwise by this
    double scalePct = 1.5;     // and this much larger
    // and, before all that, turned as the effect's right-eye keystones of these many degrees
    // would turn it (a rig's cameras converging and tilting)
    double keystoneHDeg = 0, keystoneVDeg = 0;
    double nearPct = -1.5;  // disparity of the slabs (right minus left, percent of the width)
    double farPct = 1.0;    // disparity of the background
    uint32_t seed = 1;
};

struct SynthPair {
    QImage left, right;  // Format_ARGB32
};

SynthPair makeSynthPair(const SynthSpec& spec);

// A picture as the effect streams a layer: 8-bit alpha, red, green, blue or float blue, green,
// red, alpha, rows `rowBytes` apart (at least the pixels' own width; the rest is padding).
std::vector<unsigned char> layerBytes(const QImage& image, PixelLayout layout, int32_t rowBytes);

}  // namespace depthscope
