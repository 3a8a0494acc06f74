#include "KeyButton.h"

namespace duovis::studio {

KeyButton::KeyButton(QWidget* parent) : QToolButton(parent) {
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);  // the value's own field keeps the keyboard
    setMark(KeyMark::None);
}

void KeyButton::setMark(KeyMark mark) {
    if (mark == mark_) return;
    mark_ = mark;
    switch (mark) {
        case KeyMark::Here:
            setText(QStringLiteral("◆"));
            setToolTip(tr("A key at this frame: click to remove it"));
            break;
        case KeyMark::Elsewhere:
            setText(QStringLiteral("◇"));
            setToolTip(tr("Keys at other frames: click to set one at this frame"));
            break;
        case KeyMark::None:
            setText(QStringLiteral("○"));
            setToolTip(tr("No keys: click to set one at this frame, so the value can change over time"));
            break;
    }
}

}  // namespace duovis::studio
