#include "FieldShortcuts.h"

#include <QAbstractSpinBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>

namespace duovis::studio {

namespace {

bool windowKey(const QKeyEvent* key) {
    const int combined = static_cast<int>(key->modifiers()) | key->key();
    const QKeySequence pressed(combined);
    for (const QKeySequence::StandardKey standard : {QKeySequence::Undo, QKeySequence::Redo})
        for (const QKeySequence& bound : QKeySequence::keyBindings(standard))
            if (bound == pressed) return true;
    return pressed == QKeySequence(Qt::CTRL | Qt::Key_Y) ||
           pressed == QKeySequence(Qt::CTRL | Qt::Key_Left) ||
           pressed == QKeySequence(Qt::CTRL | Qt::Key_Right);
}

}  // namespace

bool FieldShortcuts::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride) return false;
    // The spin box has the focus and hands keys to its line edit; either may be asked.
    const bool numberField =
        qobject_cast<QAbstractSpinBox*>(watched) != nullptr ||
        (qobject_cast<QLineEdit*>(watched) && qobject_cast<QAbstractSpinBox*>(watched->parent()));
    if (!numberField) return false;
    if (!windowKey(static_cast<QKeyEvent*>(event))) return false;
    // Unaccepted, the override lets the shortcut map hand the key to the window's action.
    event->ignore();
    return true;
}

}  // namespace duovis::studio
