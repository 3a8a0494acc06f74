// What a measurement found, for a person and for scripts: a JSON record and a picture with the
// matched pairs drawn on the two eyes and a histogram of horizontal disparity.
#pragma once

#include "Analysis.h"

#include <QByteArray>
#include <QImage>

namespace depthscope {

QByteArray reportJson(const Analysis& a);

// Needs a QGuiApplication (the labels use fonts).
QImage reportImage(const Analysis& a);

}  // namespace depthscope
