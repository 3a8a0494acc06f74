// Automatic crop, centring and scaling: the largest region of the frame's aspect that both
// transformed eyes cover, turned into an acceptance window, a zoom and a centre offset.
#pragma once

#include "core/frame/EyeGeometry.h"
#include "core/params/ParamValues.h"

#include <array>

namespace duovis {

struct FrameRect {
    float x0 = 0, x1 = 0, y0 = 0, y1 = 0;  // left, right, top, bottom
};

struct EyeCoverage {
    FrameRect bounds;           // bounding box of the mapped source rectangle
    FrameRect inscribed;        // largest rectangle of the frame's aspect along the diagonals
    bool hasInscribed = false;  // false when neither diagonal crosses the quadrilateral
    bool hasBounds = false;     // false when a corner maps to infinity: the eye's extent is unknown
};

struct AutoAdjustResult {
    float cropLeft = 0, cropTop = 0, cropRight = 0, cropBottom = 0;  // already widened by 0.5
    double scaleX = 1, scaleY = 1;
    double centerX = 0, centerY = 0;
};

// Left eye first in every pair.
std::array<EyeCoverage, 2> computeEyeCoverage(float aspect, const std::array<FrameRect, 2>& source,
                                              const std::array<EyeTransform, 2>& forward);

AutoAdjustResult neutralAutoAdjustment(EyeSize eye);

AutoAdjustResult computeAutoAdjustment(const ParamValues& v, EyeSize eye, const EyeTransform& forwardL,
                                       const EyeTransform& forwardR);

// The same with the crop windows (left eye first) the frame plan already holds.
AutoAdjustResult computeAutoAdjustment(const ParamValues& v, EyeSize eye, const EyeTransform& forwardL,
                                       const EyeTransform& forwardR, const std::array<CropPercent, 2>& crops);

}  // namespace duovis
