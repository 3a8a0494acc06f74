#pragma once
// A synthetic stereo pair with known depth: textured shapes at several disparities in front
// of a textured backdrop, and a right eye that is slightly off vertically and rotated, the
// way a real rig drifts.

#include <QImage>

namespace duovis::cli {

struct DemoScene {
    QImage left;
    QImage right;
    double verticalOffsetPx;  // how far the right eye sits lower
    double rotationDeg;       // how far the right eye is turned, clockwise
};

DemoScene makeDemoScene(int width, int height);

}  // namespace duovis::cli
