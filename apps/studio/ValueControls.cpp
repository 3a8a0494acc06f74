#include "ValueControls.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>
#include <cmath>

namespace duovis::studio {

namespace {

constexpr int kSteps = 1000;     // positions of the slider's handle
constexpr int kMaxDecimals = 6;  // what a spin box keeps of a value

}  // namespace

double unitStep(const QString& unit) {
    return unit == QStringLiteral("px") || unit == QStringLiteral("frames") ? 1.0 : 0.01;
}

double dragRate(double spanPerPixel, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::ShiftModifier) return spanPerPixel / 20.0;
    if (modifiers & Qt::ControlModifier) return spanPerPixel * 5.0;
    return spanPerPixel;
}

double arrowStep(int key, Qt::KeyboardModifiers modifiers, double unit) {
    const double size = (modifiers & Qt::ShiftModifier) ? 10.0 * unit : unit;
    switch (key) {
        case Qt::Key_Up:
        case Qt::Key_Right:
            return size;
        case Qt::Key_Down:
        case Qt::Key_Left:
            return -size;
        default:
            return 0.0;
    }
}

FineSlider::FineSlider(double low, double high, double step, QWidget* parent)
    : QSlider(Qt::Horizontal, parent), low_(low), high_(high), step_(step) {
    setRange(0, kSteps);
    setFocusPolicy(Qt::StrongFocus);
}

void FineSlider::showValue(double value) {
    value_ = value;
    if (isSliderDown()) return;  // a dragged handle stays under the pointer
    const double span = high_ - low_;
    const double t = span > 0 ? std::clamp((value - low_) / span, 0.0, 1.0) : 0.0;
    const QSignalBlocker block(this);
    setValue(static_cast<int>(std::lround(t * kSteps)));
}

double FineSlider::valueAt(int step) const {
    return low_ + (high_ - low_) * step / kSteps;
}

void FineSlider::mousePressEvent(QMouseEvent* event) {
    relative_ = (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) != 0;
    if (!relative_) {
        QSlider::mousePressEvent(event);
        return;
    }
    lastX_ = event->x();
    setSliderDown(true);
    event->accept();
}

void FineSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!relative_) {
        QSlider::mouseMoveEvent(event);
        return;
    }
    const double perPixel = (high_ - low_) / std::max(1, width());
    const double moved = (event->x() - lastX_) * dragRate(perPixel, event->modifiers());
    lastX_ = event->x();
    if (moved != 0.0) emit valueRequested(std::clamp(value_ + moved, low_, high_));
    event->accept();
}

void FineSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (!relative_) {
        QSlider::mouseReleaseEvent(event);
        return;
    }
    relative_ = false;
    setSliderDown(false);
    event->accept();
}

void FineSlider::keyPressEvent(QKeyEvent* event) {
    const double step = arrowStep(event->key(), event->modifiers(), step_);
    if (step == 0.0) {
        QSlider::keyPressEvent(event);
        return;
    }
    emit valueRequested(value_ + step);
    event->accept();
}

ValueSpinBox::ValueSpinBox(const QString& unit, int precision, double step, QWidget* parent)
    : QDoubleSpinBox(parent), precision_(std::max(precision, 0)) {
    setDecimals(kMaxDecimals);
    setSingleStep(step);
    setKeyboardTracking(false);
    setLocale(QLocale::c());
    if (!unit.isEmpty()) setSuffix(unit == QStringLiteral("°") ? unit : QStringLiteral(" ") + unit);
}

// The precision the effect asks for, and more decimals only where the value has them.
QString ValueSpinBox::textFromValue(double value) const {
    QString text = QString::number(value, 'f', kMaxDecimals);
    const int point = text.indexOf(QLatin1Char('.'));
    int keep = text.size();
    while (keep > point + 1 + precision_ && text.at(keep - 1) == QLatin1Char('0')) --keep;
    if (keep == point + 1) --keep;  // no bare point
    text.truncate(keep);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

// A decimal comma is a decimal point here: "1,5" is one and a half, never fifteen.
QString ValueSpinBox::normalised(const QString& text) const {
    QString t = text;
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    return t;
}

double ValueSpinBox::valueFromText(const QString& text) const {
    return QDoubleSpinBox::valueFromText(normalised(text));
}

QValidator::State ValueSpinBox::validate(QString& text, int& pos) const {
    QString t = normalised(text);
    if (t.count(QLatin1Char('.')) > 1) return QValidator::Invalid;
    const QValidator::State state = QDoubleSpinBox::validate(t, pos);
    if (state != QValidator::Invalid) text = t;
    return state;
}

void ValueSpinBox::keyPressEvent(QKeyEvent* event) {
    const double step = arrowStep(event->key(), event->modifiers(), singleStep());
    if (step != 0.0 && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        setValue(value() + step);
        event->accept();
        return;
    }
    QDoubleSpinBox::keyPressEvent(event);
}

}  // namespace duovis::studio
