#pragma once
// The number controls of a float slider, made for alignment work to the pixel: a slider that
// drags finely with Shift and coarsely with Ctrl, arrow keys that step by one display unit
// (ten with Shift), and a number box that shows the unit, enough decimals for the value, and
// takes a decimal comma as well as a point.

#include <QDoubleSpinBox>
#include <QSlider>
#include <QString>

namespace duovis::studio {

// One display unit of a value in `unit`: a whole pixel or frame, else a hundredth.
double unitStep(const QString& unit);

// How far one pointer pixel moves a dragged value: the slider's own rate, a twentieth of it
// with Shift, five times it with Ctrl.
double dragRate(double spanPerPixel, Qt::KeyboardModifiers modifiers);

class FineSlider : public QSlider {
    Q_OBJECT

  public:
    FineSlider(double low, double high, double step, QWidget* parent = nullptr);
    // The value the handle shows; set without signals.
    void showValue(double value);
    // The value at one of the handle's positions.
    double valueAt(int step) const;

  signals:
    // A drag or key press asks for this value (not rounded to the slider's steps).
    void valueRequested(double value);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    double low_, high_, step_;
    double value_ = 0;
    bool relative_ = false;  // a modifier drag moves from where it started, not to the pointer
    int lastX_ = 0;
};

class ValueSpinBox : public QDoubleSpinBox {
    Q_OBJECT

  public:
    ValueSpinBox(const QString& unit, int precision, double step, QWidget* parent = nullptr);

    QString textFromValue(double value) const override;
    double valueFromText(const QString& text) const override;
    QValidator::State validate(QString& text, int& pos) const override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QString normalised(const QString& text) const;
    int precision_;
};

// The arrow keys' step: one unit, ten with Shift; 0 for a key that is not an arrow.
double arrowStep(int key, Qt::KeyboardModifiers modifiers, double unit);

}  // namespace duovis::studio
