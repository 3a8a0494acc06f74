#include "WheelGuard.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QSlider>
#include <QWidget>

namespace duovis::studio {

namespace {

// Not scroll bars: a popup's list scrolls with the wheel whether or not it has focus.
bool takesWheel(const QWidget* w) {
    return qobject_cast<const QComboBox*>(w) != nullptr || qobject_cast<const QSlider*>(w) != nullptr ||
           qobject_cast<const QAbstractSpinBox*>(w) != nullptr;
}

}  // namespace

void WheelGuard::guardControlsUnder(QWidget* root) {
    auto* guard = new WheelGuard(root);
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!takesWheel(w)) continue;
        // A wheel turn alone no longer gives focus; a click or Tab does.
        w->setFocusPolicy(Qt::StrongFocus);
        w->installEventFilter(guard);
    }
}

bool WheelGuard::eventFilter(QObject* watched, QEvent* event) {
    auto* control = static_cast<QWidget*>(watched);
    if (event->type() != QEvent::Wheel || control->hasFocus()) return false;
    // Straight to the panel's scroll area, however the event came.
    for (QWidget* w = control->parentWidget(); w != nullptr; w = w->parentWidget())
        if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) {
            QCoreApplication::sendEvent(area->viewport(), event);
            return true;
        }
    event->ignore();
    return true;
}

}  // namespace duovis::studio
