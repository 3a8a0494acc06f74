#pragma once
// The key button beside an animatable control: it shows whether the entry has a key at the
// current frame, keys only at other frames, or none, and a click sets or removes the key here.
// Its context menu makes the key here hold its value until the next key, or move linearly.

#include <QToolButton>

class QAction;

#include "KeyMarks.h"

namespace duovis::studio {

class KeyButton : public QToolButton {
    Q_OBJECT

  public:
    explicit KeyButton(QWidget* parent = nullptr);

    // `hold`: whether the key here holds; ignored without one.
    void setMark(KeyMark mark, bool hold = false);
    KeyMark mark() const { return mark_; }
    QAction* holdAction() const { return hold_; }

  signals:
    void holdChosen(bool hold);

  private:
    KeyMark mark_ = KeyMark::Elsewhere;  // differs from the first mark set, so it shows
    QAction* hold_;
};

}  // namespace duovis::studio
