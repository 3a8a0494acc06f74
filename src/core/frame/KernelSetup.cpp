#include "core/frame/KernelSetup.h"

#include "core/frame/AutoAdjust.h"
#include "core/params/Codes.h"
#include "core/params/ParamRules.h"

namespace duovis {

namespace {

void setInverse(const EyeTransform& t, float* m) {
    const double c[9] = {t.m11, t.m12, t.m13, t.m21, t.m22, t.m23, t.m31, t.m32, t.m33};
    for (int i = 0; i < 9; ++i) m[i] = float(c[i]);
}

}  // namespace

int32_t frameNumberAt(int64_t time, int64_t frameDuration) {
    if (frameDuration == 0) return 0;
    return int32_t(time / frameDuration);
}

TransformKernelArgs fillKernelArgs(const ParamValues& v, const KernelFrames& frames, int displayCode,
                                   EyeSize eye, OutputSize output, int32_t frameNumber) {
    FramePlan plan;
    plan.displayCode = displayCode;
    plan.sizes = FrameSizes{eye, output};
    plan.cropL = cropWindow(v, Eye::Left);
    plan.cropR = cropWindow(v, Eye::Right);
    return fillKernelArgs(v, frames, plan, frameNumber);
}

TransformKernelArgs fillKernelArgs(const ParamValues& v, const KernelFrames& frames, const FramePlan& plan,
                                   int32_t frameNumber) {
    const int displayCode = plan.displayCode;
    const EyeSize eye = plan.sizes.eye;
    TransformKernelArgs a;
    const bool hasSecondary = frames.secondary.data != nullptr;
    a.inImageL = frames.primary.data;
    a.inImageR = frames.secondary.data;
    a.inImageD = frames.destination;
    a.inPitchL = frames.primary.pitch;
    a.inPitchR = hasSecondary ? frames.secondary.pitch : 0;
    a.inPitchD = frames.destinationPitch;
    a.inIs16f = frames.halfFloat ? 1 : 0;
    a.inWidthL = frames.primary.width;
    a.inHeightL = frames.primary.height;
    a.inWidthR = hasSecondary ? frames.secondary.width : frames.primary.width;
    a.inHeightR = hasSecondary ? frames.secondary.height : frames.primary.height;
    a.inWidthLP = eye.width;
    a.inHeightLP = eye.height;

    a.inDispMode = displayCode == DISPLAY_PARALLAX ? parallaxPhaseCode(frameNumber) : displayCode;
    a.inDemuxMode0 = primaryDemuxCode(v);
    a.inDemuxChan0 = primaryChannelCode(v);
    a.inDemuxMode1 = secondaryDemuxCode(v);
    a.inDemuxChan1 = secondaryChannelCode(v);
    a.inSwapLR = v.integer(SWAP_LR);
    a.inGrayscale = forcesGrayscale(displayCode) ? 1 : v.integer(GRAYSCALE);
    a.inInterlaceOdd = v.on(INTERLACE_ODD) ? 1 : 0;
    a.inFactor = 0.5f;

    const StereoGeometry g = computeStereoGeometry(v, eye, plan.sizes.output);
    setInverse(g.inverseL, &a.inL11);
    setInverse(g.inverseR, &a.inR11);

    const CropPercent& cl = plan.cropL;
    const CropPercent& cr = plan.cropR;
    a.inCropLL = cl.left;
    a.inCropLT = cl.top;
    a.inCropLR = cl.right;
    a.inCropLB = cl.bottom;
    a.inCropRL = cr.left;
    a.inCropRT = cr.top;
    a.inCropRR = cr.right;
    a.inCropRB = cr.bottom;

    const AutoAdjustResult adj = computeAutoAdjustment(v, eye, g.forwardL, g.forwardR, {cl, cr});
    a.inAutoCropL = adj.cropLeft;
    a.inAutoCropT = adj.cropTop;
    a.inAutoCropR = adj.cropRight;
    a.inAutoCropB = adj.cropBottom;
    a.inAutoScaleX = float(adj.scaleX);
    a.inAutoScaleY = float(adj.scaleY);
    a.inAutoCenterX = float(adj.centerX);
    a.inAutoCenterY = float(adj.centerY);

    a.inEnableAreaAlter = v.integer(LG_ENABLE);
    a.inAreaAlterColor = v.integer(LG_BORDER_COLOR) - 1;
    a.inAreaAlterX = float(v[LG_CENTER_X]);
    a.inAreaAlterY = float(v[LG_CENTER_Y]);
    a.inAreaAlterR = float(v[LG_RADIUS]);
    return a;
}

}  // namespace duovis
