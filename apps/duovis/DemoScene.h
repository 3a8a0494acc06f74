#pragma once
// A synthetic stereo pair with known depth: textured shapes at several disparities in front
// of a textured backdrop, and a right eye that is slightly off vertically and rotated, the
// way a real rig drifts. The shapes move across the frame over time, so a sequence of the
// scene shows which frames of the two eyes belong together.

#include <QImage>

namespace duovis::cli {

struct DemoScene {
    QImage left;
    QImage right;
    double verticalOffsetPx;  // how far the right eye sits lower
    double rotationDeg;       // how far the right eye is turned, clockwise
};

// The scene at `frame` (frames may be negative: the time before the first one).
DemoScene makeDemoScene(int width, int height, int frame = 0);

}  // namespace duovis::cli
