// The right eye as the effect renders it with `v` (display type "Right", CPU kernel): what the
// viewer sees after a press, for the parallax tool's benchmarks.
#pragma once

#include "EyeViews.h"
#include "Synth.h"

#include "core/frame/KernelSetup.h"
#include "core/kernel/CpuKernelDispatch.h"
#include "core/params/Codes.h"

#include <QImage>

#include <vector>

inline cv::Mat renderRightEye(const QImage& leftEye, const QImage& rightEye, const duovis::ParamValues& v) {
    using namespace duovis;
    using namespace depthscope;
    const int w = leftEye.width(), h = leftEye.height();
    const auto left = layerBytes(leftEye, PixelLayout::Argb8, 4 * w);
    const auto right = layerBytes(rightEye, PixelLayout::Argb8, 4 * w);
    std::vector<unsigned char> out(left.size(), 0);
    KernelFrames frames;
    frames.primary = KernelFrame{left.data(), w, w, h};
    frames.secondary = KernelFrame{right.data(), w, w, h};
    frames.destination = out.data();
    frames.destinationPitch = w;
    const EyeSize eye{w, h};
    runCpuTransformKernel(
        fillKernelArgs(v, frames, DISPLAY_RIGHT, eye, computeOutputSize(eye, DISPLAY_RIGHT), 0),
        CpuPixelFormat::Argb8);
    return lumaFromLayer(out.data(), LayerDesc{w, h, 4, 4 * w, 0}, PixelLayout::Argb8);
}
