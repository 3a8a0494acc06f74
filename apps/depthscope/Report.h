// What a measurement found, for a person and for scripts: a JSON record and a picture with the
// matched pairs drawn on the two eyes, the dense depth map over the left eye, the coverage grid
// over the right, and a histogram of horizontal disparity with the near and far marks.
#pragma once

#include "Analysis.h"

#include <QByteArray>
#include <QImage>

#include <string>

namespace depthscope {

QByteArray reportJson(const Analysis& a);

// The verdict and the evidence behind it, in one line: "ok (coverage ...)" or "refused: why".
std::string verdictLine(const Analysis& a);

// Needs a QGuiApplication (the labels use fonts).
QImage reportImage(const Analysis& a);

}  // namespace depthscope
