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
    image_ = image;
    factor_ = std::max(1, factor);
    update();
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
}

void Viewer::setZoom(double zoom) {
    zoom_ = std::clamp(zoom, kMinZoom, kMaxZoom);
    fit_ = false;
    update();
}

void Viewer::zoomBy(double step) {
    setZoom(zoom() * step);
}

void Viewer::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0x30, 0x30, 0x30));
    if (image_.isNull()) return;
    const QSizeF shown = fullSize() * zoom();
    const QPointF corner = QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2) + pan_;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, zoom() * factor_ < 1.0);
    painter.drawImage(QRectF(corner, shown), image_);
}

void Viewer::wheelEvent(QWheelEvent* event) {
    zoomBy(event->angleDelta().y() > 0 ? 1.25 : 0.8);
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
