#include "DemoScene.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace duovis::cli {

namespace {

constexpr double kVerticalOffsetPx = 3.0;
constexpr double kRotationDeg = 0.6;
// How far the shapes travel to the right each frame, as a fraction of the width.
constexpr double kTravelPerFrame = 0.01;

// One object of the scene: its place for the cyclopean eye and its disparity in pixels
// (positive: in front of the screen, the eyes see it shifted apart).
struct Shape {
    enum Kind { Disc, Box, Triangle } kind;
    double cx, cy, size;  // fractions of the frame
    double disparity;     // fraction of the width
    QColor a, b;          // stripe colours
};

const Shape kShapes[] = {
    {Shape::Box, 0.25, 0.55, 0.30, -0.010, QColor(40, 120, 220), QColor(230, 230, 240)},
    {Shape::Disc, 0.55, 0.45, 0.34, 0.012, QColor(230, 70, 40), QColor(250, 210, 60)},
    {Shape::Triangle, 0.78, 0.62, 0.28, 0.030, QColor(40, 170, 80), QColor(20, 40, 30)},
};

void drawBackdrop(QPainter& p, int w, int h, double shift) {
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(70, 80, 110));
    sky.setColorAt(1, QColor(150, 140, 120));
    p.fillRect(QRectF(-w, -h, 3.0 * w, 3.0 * h), sky);
    // A faint grid behind everything so every region has texture to match on.
    p.setPen(QPen(QColor(255, 255, 255, 50), 1));
    const double step = h / 12.0;
    for (double x = -w + shift; x < 2.0 * w; x += step) p.drawLine(QPointF(x, -h), QPointF(x, 2.0 * h));
    for (double y = -h; y < 2.0 * h; y += step) p.drawLine(QPointF(-w, y), QPointF(2.0 * w, y));
}

void drawShape(QPainter& p, const Shape& s, int w, int h, double eyeSign, int frame) {
    const double size = s.size * h;
    const double cx = (s.cx + frame * kTravelPerFrame) * w + eyeSign * s.disparity * w / 2.0;
    const double cy = s.cy * h;
    QPainterPath path;
    if (s.kind == Shape::Disc) {
        path.addEllipse(QPointF(cx, cy), size / 2, size / 2);
    } else if (s.kind == Shape::Box) {
        path.addRect(QRectF(cx - size / 2, cy - size / 2, size, size));
    } else {
        path.moveTo(cx, cy - size / 2);
        path.lineTo(cx + size / 2, cy + size / 2);
        path.lineTo(cx - size / 2, cy + size / 2);
        path.closeSubpath();
    }
    // Diagonal stripes that move with the shape give texture at the shape's own depth.
    QLinearGradient stripes(QPointF(cx, cy), QPointF(cx + size / 8, cy + size / 8));
    stripes.setSpread(QGradient::RepeatSpread);
    stripes.setColorAt(0, s.a);
    stripes.setColorAt(0.5, s.a);
    stripes.setColorAt(0.51, s.b);
    stripes.setColorAt(1, s.b);
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(stripes);
    p.drawPath(path);
}

QImage drawEye(int w, int h, double eyeSign, const QTransform& rig, int frame) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setTransform(rig);
    // The backdrop sits behind the screen: the eyes see it shifted towards each other.
    drawBackdrop(p, w, h, -eyeSign * 0.006 * w / 2.0);
    for (const Shape& s : kShapes) drawShape(p, s, w, h, eyeSign, frame);
    return image;
}

}  // namespace

DemoScene makeDemoScene(int width, int height, int frame) {
    QTransform drift;
    drift.translate(width / 2.0, height / 2.0 + kVerticalOffsetPx);
    drift.rotate(kRotationDeg);
    drift.translate(-width / 2.0, -height / 2.0);
    return DemoScene{drawEye(width, height, +1.0, QTransform(), frame),
                     drawEye(width, height, -1.0, drift, frame), kVerticalOffsetPx, kRotationDeg};
}

}  // namespace duovis::cli
