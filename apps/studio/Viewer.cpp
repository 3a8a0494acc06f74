#include "Viewer.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace duovis::studio {

namespace {

constexpr double kMinZoom = 1.0 / 32;
constexpr double kMaxZoom = 32.0;

}  // namespace

Viewer::Viewer(QWidget* parent) : QWidget(parent) {
    setMinimumSize(160, 90);
    setFocusPolicy(Qt::ClickFocus);
}

void Viewer::setFrame(const QImage& image, int factor) {
    const bool resized = image.size() * std::max(1, factor) != image_.size() * factor_;
    image_ = image;
    factor_ = std::max(1, factor);
    update();
    if (resized && fit_) emit zoomChanged(zoom());
}

QPointF Viewer::pixelAt(QPointF point) const {
    return (point - corner(zoom()) - pan_) / zoom();
}

QSizeF Viewer::fullSize() const {
    return QSizeF(image_.size()) * factor_;
}

double Viewer::zoom() const {
    if (!fit_ || image_.isNull()) return zoom_;
    const QSizeF full = fullSize();
    return std::min(width() / full.width(), height() / full.height());
}

void Viewer::fit() {
    fit_ = true;
    pan_ = QPointF();
    update();
    emit zoomChanged(zoom());
}

void Viewer::resizeEvent(QResizeEvent*) {
    if (fit_) emit zoomChanged(zoom());
}

void Viewer::setZoom(double zoom) {
    zoom_ = std::clamp(zoom, kMinZoom, kMaxZoom);
    fit_ = false;
    update();
    emit zoomChanged(zoom_);
}

void Viewer::zoomBy(double step) {
    setZoom(zoom() * step);
}

void Viewer::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0x30, 0x30, 0x30));
    if (image_.isNull()) return;
    const QSizeF shown = fullSize() * zoom();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, zoom() * factor_ < 1.0);
    painter.drawImage(QRectF(corner(zoom()) + pan_, shown), image_);
}

QPointF Viewer::corner(double zoom) const {
    const QSizeF shown = fullSize() * zoom;
    return QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2);
}

// The output pixel under the pointer stays under it.
void Viewer::wheelEvent(QWheelEvent* event) {
    if (image_.isNull()) return;
    const QPointF at = event->position();
    const QPointF pixel = pixelAt(at);
    zoomBy(event->angleDelta().y() > 0 ? 1.25 : 0.8);
    const double after = zoom();
    pan_ = at - pixel * after - corner(after);
    update();
}

void Viewer::mousePressEvent(QMouseEvent* event) {
    dragFrom_ = event->localPos();
}

void Viewer::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) == 0) return;
    pan_ += event->localPos() - dragFrom_;
    dragFrom_ = event->localPos();
    update();
}

}  // namespace duovis::studio
