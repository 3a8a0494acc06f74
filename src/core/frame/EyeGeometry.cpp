#include "core/frame/EyeGeometry.h"

#include "core/params/Codes.h"

#include <QMatrix4x4>

#include <cmath>

namespace duovis {

namespace {

constexpr double kDegToRad = 0.017453292519943295;

double param(const ParamValues& v, ParamId family, FamilySlot slot) {
    return v[ParamId(static_cast<int>(family) + static_cast<int>(slot))];
}

// Shift of one eye in pixels: Both share, master, then the eye's own slider, in that order so
// the rounding matches the GPU path.
double eyeShift(const ParamValues& v, ParamId family, ParamId master, Eye eye, double size) {
    const double both = param(v, family, FAMILY_BOTH);
    const double m = v[master];
    if (eye == Eye::Left)
        return both * 0.5 / 100 * size + m / 100 * size + param(v, family, FAMILY_LEFT) / 100 * size;
    return m / 100 * size - both * 0.5 / 100 * size + param(v, family, FAMILY_RIGHT) / 100 * size;
}

// Scale exponent of one eye on one axis: the uniform family, the master and the axis family.
double eyeScaleExp(const ParamValues& v, ParamId axisFamily, Eye eye) {
    const double sb = param(v, SCALE_GROUP, FAMILY_BOTH);
    const double ms = v[MASTER_SCALE];
    const double b = param(v, axisFamily, FAMILY_BOTH);
    if (eye == Eye::Left) {
        return sb + ms + param(v, SCALE_GROUP, FAMILY_LEFT) + b + param(v, axisFamily, FAMILY_LEFT);
    }
    return ms - sb + param(v, SCALE_GROUP, FAMILY_RIGHT) - b + param(v, axisFamily, FAMILY_RIGHT);
}

// Checkboxes arrive as 0 or 1; anything on counts as a mirror.
double flipSign(double flip) {
    return flip > 0 ? -1.0 : 1.0;
}

}  // namespace

EyeTransform EyeTransform::fromQTransform(const QTransform& t) {
    EyeTransform e;
    e.m11 = t.m11();
    e.m12 = t.m12();
    e.m13 = t.m13();
    e.m21 = t.m21();
    e.m22 = t.m22();
    e.m23 = t.m23();
    e.m31 = t.m31();
    e.m32 = t.m32();
    e.m33 = t.m33();
    return e;
}

QTransform EyeTransform::toQTransform() const {
    return QTransform(m11, m12, m13, m21, m22, m23, m31, m32, m33);
}

EyeSize computeEyeSize(uint32_t layerWidth, uint32_t layerHeight, Ratio downsampleX, Ratio downsampleY,
                       int primaryDemuxCode) {
    // A zero denominator is no valid ratio; the eye is empty rather than a division fault.
    const auto scaled = [](uint32_t size, Ratio r) -> uint32_t {
        return r.den == 0 ? 0u : (r.num * size) / r.den;
    };
    EyeSize e;
    e.width = static_cast<int32_t>(scaled(layerWidth, downsampleX));
    e.height = static_cast<int32_t>(scaled(layerHeight, downsampleY));
    if (primaryDemuxCode == DEMUX_SBS_FULL) e.width /= 2;
    if (primaryDemuxCode == DEMUX_TB_FULL) e.height /= 2;
    return e;
}

OutputSize computeOutputSize(EyeSize eye, int displayCode) {
    if (displayCode == DISPLAY_PARALLAX_LEFT || displayCode == DISPLAY_PARALLAX_RIGHT)
        displayCode = DISPLAY_PARALLAX;
    // An unknown code (a damaged project) renders one eye's worth rather than reading past the table.
    int32_t wf = 1, hf = 1;
    if (isDisplayTypeCode(displayCode)) {
        wf = kDisplayTypes[displayCode].widthFactor;
        hf = kDisplayTypes[displayCode].heightFactor;
    }
    return OutputSize{eye.width * wf, eye.height * hf};
}

EyeTransformParams eyeTransformParams(const ParamValues& v, Eye eye, EyeSize size) {
    const double w = size.width;
    const double h = size.height;
    const bool left = eye == Eye::Left;
    EyeTransformParams p;
    p.shiftX = eyeShift(v, HSHIFT_PCT_GROUP, MASTER_HSHIFT_PCT, eye, w);
    p.shiftY = eyeShift(v, VSHIFT_PCT_GROUP, MASTER_VSHIFT_PCT, eye, h);
    p.rotation = familyEyeTerm(v, ROTATE_GROUP, eye);
    p.scaleExpX = eyeScaleExp(v, HSCALE_GROUP, eye);
    p.scaleExpY = eyeScaleExp(v, VSCALE_GROUP, eye);
    p.flipX = v[left ? FLIP_L_H : FLIP_R_H];
    p.flipY = v[left ? FLIP_L_V : FLIP_R_V];
    p.skewH = familyEyeTerm(v, HSKEW_GROUP, eye);
    p.skewV = familyEyeTerm(v, VSKEW_GROUP, eye);
    p.keystoneH = familyEyeTerm(v, HKEYSTONE_GROUP, eye);
    p.keystoneV = familyEyeTerm(v, VKEYSTONE_GROUP, eye);
    return p;
}

// Each QTransform operation applies to the point before what is already composed, so the
// point meets them in reverse: centre off, keystone, skews, scale/flip, rotation, shift,
// centre back.
EyeTransform forwardEyeTransform(const EyeTransformParams& p, int32_t centreX, int32_t centreY, float focal) {
    const double cx = centreX;
    const double cy = centreY;
    const double sx = flipSign(p.flipX) * std::pow(2.0, p.scaleExpX);
    const double sy = flipSign(p.flipY) * std::pow(2.0, p.scaleExpY);

    QTransform m;
    m.translate(cx, cy);
    m.translate(p.shiftX, p.shiftY);
    m.rotate(p.rotation);
    m.scale(sx, sy);
    m.shear(0, -std::tan(p.skewV * kDegToRad));
    m.shear(-std::tan(p.skewH * kDegToRad), 0);

    // The keystone turns the eye plane in 3D and views it from the focal distance.
    QMatrix4x4 keystone;
    keystone.rotate(static_cast<float>(-p.keystoneV), 1, 0, 0);
    keystone.rotate(static_cast<float>(-p.keystoneH), 0, 1, 0);
    m = keystone.toTransform(focal) * m;
    m.translate(-cx, -cy);
    return EyeTransform::fromQTransform(m);
}

// QTransform::inverted yields the identity for a singular matrix.
EyeTransform invertEyeTransform(const EyeTransform& t) {
    return EyeTransform::fromQTransform(t.toQTransform().inverted());
}

float focalDistance(int32_t outputWidth, double fieldOfViewDegrees) {
    return static_cast<float>((outputWidth * 0.5) / std::tan(fieldOfViewDegrees * 0.5 * kDegToRad));
}

StereoGeometry computeStereoGeometry(const ParamValues& v, EyeSize eye, OutputSize output) {
    StereoGeometry g;
    g.eye = eye;
    g.output = output;
    g.centreX = eye.width / 2;
    g.centreY = eye.height / 2;
    g.focal = focalDistance(output.width, v[FIELD_OF_VIEW]);
    g.forwardL = forwardEyeTransform(eyeTransformParams(v, Eye::Left, eye), g.centreX, g.centreY, g.focal);
    g.forwardR = forwardEyeTransform(eyeTransformParams(v, Eye::Right, eye), g.centreX, g.centreY, g.focal);
    g.inverseL = invertEyeTransform(g.forwardL);
    g.inverseR = invertEyeTransform(g.forwardR);
    return g;
}

}  // namespace duovis
