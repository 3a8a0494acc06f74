#include "ShotPlot.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace depthscope {

namespace {

constexpr int kWidth = 960, kHeight = 400;
constexpr int kLeft = 80, kRight = 24, kTop = 56, kBottom = 64;
// The report's colours: blue for near, red for far.
const QColor kNear = QColor::fromRgbF(0.0, 0.3, 1.0), kFar = QColor::fromRgbF(1.0, 0.3, 0.0);
const QColor kComfort(34, 82, 44), kOutside(74, 26, 26), kBeyond(255, 170, 0), kUnmeasured(150, 150, 150);

void shadeBands(QPainter& p, const ShotPlotArea& a, const ComfortLimits& limits) {
    const QRectF& r = a.plot;
    const double yFar = a.yOf(limits.farPct), yNear = a.yOf(limits.nearPct);
    p.fillRect(QRectF(r.left(), r.top(), r.width(), yFar - r.top()), kOutside);
    p.fillRect(QRectF(r.left(), yFar, r.width(), yNear - yFar), kComfort);
    p.fillRect(QRectF(r.left(), yNear, r.width(), r.bottom() - yNear), kOutside);
    p.setPen(QPen(QColor(220, 220, 220), 1, Qt::DashLine));
    for (const auto& [pct, name] : {std::pair{limits.farPct, "far limit"}, {limits.nearPct, "near limit"}}) {
        p.drawLine(QPointF(r.left(), a.yOf(pct)), QPointF(r.right(), a.yOf(pct)));
        const QString label = QString("%1 %2 %").arg(name).arg(QString::asprintf("%+.2f", pct));
        // On a dark box, so a curve passing under it leaves it readable.
        const QRectF box = p.boundingRect(QRectF(r.left(), a.yOf(pct) - 18, r.width() - 6, 16),
                                          Qt::AlignRight | Qt::AlignVCenter, label);
        p.fillRect(box.adjusted(-3, 0, 3, 0), QColor(16, 16, 16, 170));
        p.drawText(box, Qt::AlignCenter, label);
    }
    if (0.0 > a.lowPct && 0.0 < a.highPct) {
        p.setPen(QPen(QColor(120, 120, 120), 1, Qt::DotLine));
        p.drawLine(QPointF(r.left(), a.yOf(0)), QPointF(r.right(), a.yOf(0)));
        p.drawText(QPointF(r.left() + 6, a.yOf(0) - 4), "screen");
    }
}

void drawAxes(QPainter& p, const ShotPlotArea& a) {
    const QRectF& r = a.plot;
    p.setPen(QColor(200, 200, 200));
    const double span = a.highPct - a.lowPct;
    const double step = span > 8 ? 2.0 : span > 4 ? 1.0 : span > 2 ? 0.5 : 0.25;
    for (double v = std::ceil(a.lowPct / step) * step; v <= a.highPct; v += step)
        p.drawText(QRectF(0, a.yOf(v) - 8, kLeft - 8, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QString("%1 %").arg(v, 0, 'f', 2));
    const int frames = a.last - a.first + 1;
    const int every = std::max(1, int(std::ceil(frames / 12.0)));
    for (int f = a.first; f <= a.last; f += every) {
        p.drawLine(QPointF(a.xOf(f), r.bottom()), QPointF(a.xOf(f), r.bottom() + 4));
        p.drawText(QRectF(a.xOf(f) - 30, r.bottom() + 18, 60, 16), Qt::AlignCenter, QString::number(f));
    }
    p.drawText(QRectF(r.left(), r.bottom() + 36, r.width(), 20), Qt::AlignCenter,
               "frame      blue: near end   red: far end   orange: beyond the limits   grey: not measured");
}

void drawSeries(QPainter& p, const ShotPlotArea& a, const std::vector<FrameDepth>& frames, bool nearEnd) {
    QPainterPath path;
    bool open = false;
    for (const FrameDepth& d : frames) {
        if (!d.measured) {
            open = false;
            continue;
        }
        const QPointF at(a.xOf(d.frame), a.yOf(nearEnd ? d.nearPct : d.farPct));
        open ? path.lineTo(at) : path.moveTo(at);
        open = true;
    }
    const QColor colour = nearEnd ? kNear : kFar;
    p.setPen(QPen(colour, 2));
    p.drawPath(path);
    p.setBrush(colour);
    for (const FrameDepth& d : frames)
        if (d.measured) p.drawEllipse(QPointF(a.xOf(d.frame), a.yOf(nearEnd ? d.nearPct : d.farPct)), 3, 3);
    p.setBrush(Qt::NoBrush);
}

// A mark above the plot for each frame beyond the limits, one below for each not measured.
void drawMarks(QPainter& p, const ShotPlotArea& a, const std::vector<FrameDepth>& frames) {
    const double half = std::clamp(a.plot.width() / std::max(1, a.last - a.first + 1) / 2, 2.0, 8.0);
    p.setPen(Qt::NoPen);
    for (const FrameDepth& d : frames) {
        const double x = a.xOf(d.frame);
        if (d.beyond) {
            const QPointF tip(x, a.plot.top() - 2);
            p.setBrush(kBeyond);
            const QPointF corners[] = {{x - half, tip.y() - 12}, {x + half, tip.y() - 12}, tip};
            p.drawPolygon(corners, 3);
        } else if (!d.measured) {
            p.setBrush(kUnmeasured);
            p.drawRect(QRectF(x - half, a.plot.bottom() + 6, 2 * half, 6));
        }
    }
    p.setBrush(Qt::NoBrush);
}

}  // namespace

double ShotPlotArea::xOf(double frame) const {
    if (last == first) return plot.center().x();
    return plot.left() + (frame - first) * plot.width() / (last - first);
}

double ShotPlotArea::yOf(double pct) const {
    return plot.bottom() - (pct - lowPct) / (highPct - lowPct) * plot.height();
}

ShotPlotArea shotPlotArea(const std::vector<FrameDepth>& frames, const ComfortLimits& limits) {
    ShotPlotArea a;
    a.plot = QRectF(kLeft, kTop, kWidth - kLeft - kRight, kHeight - kTop - kBottom);
    double low = limits.nearPct, high = limits.farPct;
    for (const FrameDepth& d : frames)
        if (d.measured) low = std::min(low, d.nearPct), high = std::max(high, d.farPct);
    const double pad = std::max(0.25, 0.1 * (high - low));
    a.lowPct = low - pad, a.highPct = high + pad;
    if (!frames.empty()) {
        a.first = frames.front().frame, a.last = frames.front().frame;
        for (const FrameDepth& d : frames)
            a.first = std::min(a.first, d.frame), a.last = std::max(a.last, d.frame);
    }
    return a;
}

QImage shotPlot(const std::vector<FrameDepth>& frames, const ComfortLimits& limits) {
    QImage out(kWidth, kHeight, QImage::Format_RGB32);
    out.fill(QColor(16, 16, 16));
    const ShotPlotArea a = shotPlotArea(frames, limits);
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    QFont font = p.font();
    font.setPixelSize(12);
    p.setFont(font);
    shadeBands(p, a, limits);
    drawAxes(p, a);
    drawSeries(p, a, frames, false);
    drawSeries(p, a, frames, true);
    drawMarks(p, a, frames);
    const auto beyond =
        std::count_if(frames.begin(), frames.end(), [](const FrameDepth& d) { return d.beyond; });
    p.setPen(Qt::white);
    const QRectF title(8, 6, kWidth - 16, 20);
    p.drawText(
        title, Qt::AlignLeft | Qt::AlignVCenter,
        "disparity per frame, right minus left, % of the eye width (negative: nearer than the screen)");
    p.drawText(title, Qt::AlignRight | Qt::AlignVCenter,
               QString("%1 of %2 frames beyond the limits").arg(beyond).arg(frames.size()));
    p.end();
    return out;
}

}  // namespace depthscope
