#pragma once
// The key button beside an animatable control: it shows whether the entry has a key at the
// current frame, keys only at other frames, or none, and a click sets or removes the key here.

#include <QToolButton>

#include "KeyMarks.h"

namespace duovis::studio {

class KeyButton : public QToolButton {
    Q_OBJECT

  public:
    explicit KeyButton(QWidget* parent = nullptr);

    void setMark(KeyMark mark);
    KeyMark mark() const { return mark_; }

  private:
    KeyMark mark_ = KeyMark::Elsewhere;  // differs from the first mark set, so it shows
};

}  // namespace duovis::studio
