#pragma once
// The rendered output: fitted to the view or at a chosen zoom (1:1 is one output pixel per
// screen pixel), panned by dragging. A down-sampled preview is drawn at the size the full
// frame would have, so a drag does not make the picture jump.

#include <QImage>
#include <QPointF>
#include <QWidget>

namespace duovis::studio {

class Viewer : public QWidget {
    Q_OBJECT

  public:
    explicit Viewer(QWidget* parent = nullptr);

    void setFrame(const QImage& image, int factor);
    const QImage& image() const { return image_; }
    int factor() const { return factor_; }

    bool fitting() const { return fit_; }
    double zoom() const;  // screen pixels per full-resolution output pixel
    void fit();
    // The full-resolution output position shown at a point of the view.
    QPointF pixelAt(QPointF point) const;
    void setZoom(double zoom);
    void zoomBy(double step);

    QSize sizeHint() const override { return QSize(640, 360); }

  signals:
    void zoomChanged(double zoom);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    QSizeF fullSize() const;
    QPointF corner(double zoom) const;  // where the unpanned picture starts at that zoom

    QImage image_;
    int factor_ = 1;
    bool fit_ = true;
    double zoom_ = 1.0;
    QPointF pan_;
    QPointF dragFrom_;
};

}  // namespace duovis::studio
