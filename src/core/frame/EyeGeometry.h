// Per-frame eye geometry: the size of one eye frame, the output size the display code needs,
// and for each eye the projective matrix that takes its source into the output, with its
// inverse (output back to source) for the per-pixel stage.
#pragma once

#include "core/params/ParamRules.h"
#include "core/params/ParamValues.h"

#include <QTransform>

#include <cstdint>

namespace duovis {

struct EyeSize {
    int32_t width = 0;
    int32_t height = 0;
};

struct OutputSize {
    int32_t width = 0;
    int32_t height = 0;
};

// A host downsample ratio (numerator / denominator).
struct Ratio {
    uint32_t num = 1;
    uint32_t den = 1;
};

// Row-vector 3x3 projective matrix, laid out as QTransform: w = m13 x + m23 y + m33,
// x' = (m11 x + m21 y + m31) / w, y' = (m12 x + m22 y + m32) / w.
struct EyeTransform {
    double m11 = 1, m12 = 0, m13 = 0;
    double m21 = 0, m22 = 1, m23 = 0;
    double m31 = 0, m32 = 0, m33 = 1;

    static EyeTransform fromQTransform(const QTransform& t);
    QTransform toQTransform() const;
};

// The transform values of one eye, composed from the Both/Left/Right sliders and the master.
struct EyeTransformParams {
    double shiftX = 0, shiftY = 0;        // pixels
    double rotation = 0;                  // degrees
    double scaleExpX = 0, scaleExpY = 0;  // base-2 exponents
    double flipX = 0, flipY = 0;          // 0 or 1
    double skewH = 0, skewV = 0;          // degrees
    double keystoneH = 0, keystoneV = 0;  // degrees
};

struct StereoGeometry {
    EyeSize eye;
    OutputSize output;
    int32_t centreX = 0, centreY = 0;  // integer centre of the eye frame
    float focal = 0;                   // keystone viewing distance
    EyeTransform forwardL, inverseL, forwardR, inverseR;
};

// Eye frame size from the host's layer size, its downsample ratios and the primary demux code.
EyeSize computeEyeSize(uint32_t layerWidth, uint32_t layerHeight, Ratio downsampleX, Ratio downsampleY,
                       int primaryDemuxCode);

// Output size for a display code (0..13; the parallax phases 131/132 count as 13).
OutputSize computeOutputSize(EyeSize eye, int displayCode);

// The per-eye values of the transform (first half of the geometry).
EyeTransformParams eyeTransformParams(const ParamValues& v, Eye eye, EyeSize size);

// The forward transform of one eye, and the inverse (identity when singular).
EyeTransform forwardEyeTransform(const EyeTransformParams& p, int32_t centreX, int32_t centreY, float focal);
EyeTransform invertEyeTransform(const EyeTransform& t);

// Keystone viewing distance for an output width and a field of view in degrees.
float focalDistance(int32_t outputWidth, double fieldOfViewDegrees);

StereoGeometry computeStereoGeometry(const ParamValues& v, EyeSize eye, OutputSize output);

}  // namespace duovis
