#include "KeyButton.h"

#include <QAction>

namespace duovis::studio {

KeyButton::KeyButton(QWidget* parent)
    : QToolButton(parent), hold_(new QAction(tr("Hold Until the Next Key"), this)) {
    hold_->setObjectName(QStringLiteral("hold"));
    hold_->setCheckable(true);
    connect(hold_, &QAction::triggered, this, &KeyButton::holdChosen);
    addAction(hold_);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);  // the value's own field keeps the keyboard
    setMark(KeyMark::None);
}

void KeyButton::setMark(KeyMark mark, bool hold) {
    hold_->setEnabled(mark == KeyMark::Here);
    hold_->setChecked(mark == KeyMark::Here && hold);
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
