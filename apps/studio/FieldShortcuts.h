#pragma once
// A number field with the keyboard focus keeps the window's shortcuts working: undo and redo
// undo the panel's changes (a value is committed with Enter, so the field has nothing of its
// own worth undoing), and Ctrl+Left/Right step frames instead of moving the cursor by words.

#include <QObject>

namespace duovis::studio {

class FieldShortcuts : public QObject {
    Q_OBJECT

  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace duovis::studio
