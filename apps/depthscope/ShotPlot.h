// A shot's depth over time as a picture: each frame's near and far ends against the comfort
// band, the frames that leave it marked above the plot and the ones not measured below it.
#pragma once

#include "ShotReport.h"

#include <QImage>
#include <QRectF>

#include <vector>

namespace depthscope {

// Where the plot puts a frame and a disparity.
struct ShotPlotArea {
    QRectF plot;                     // the curves' area; the marks sit just above and below it
    int first = 0, last = 0;         // frames at the left and right ends
    double lowPct = 0, highPct = 0;  // disparities at the bottom and top

    double xOf(double frame) const;
    double yOf(double pct) const;
};

ShotPlotArea shotPlotArea(const std::vector<FrameDepth>& frames, const ComfortLimits& limits);

// Needs a QGuiApplication (the labels use fonts).
QImage shotPlot(const std::vector<FrameDepth>& frames, const ComfortLimits& limits);

}  // namespace depthscope
