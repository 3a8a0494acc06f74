#include "KeyTicks.h"

#include <QPainter>
#include <QStyle>

namespace duovis::studio {

namespace {

// About half a slider handle's width: the handle's centre never reaches the slider's ends.
constexpr int kInset = 6;

}  // namespace

KeyTicks::KeyTicks(QWidget* parent) : QWidget(parent) {
    setFixedHeight(8);
}

void KeyTicks::setKeys(int first, int last, std::vector<int> frames) {
    first_ = first;
    last_ = last;
    frames_ = std::move(frames);
    update();
}

int KeyTicks::xOf(int frame) const {
    const int span = std::max(1, width() - 2 * kInset);
    return kInset + QStyle::sliderPositionFromValue(first_, std::max(first_, last_), frame, span);
}

void KeyTicks::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    for (const int frame : frames_) {
        if (frame < first_ || frame > last_) continue;
        const int x = xOf(frame);
        painter.drawLine(x, 0, x, height());
    }
}

}  // namespace duovis::studio
