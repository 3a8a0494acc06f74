#pragma once
// Popups, sliders and number boxes in a scrolling panel take the mouse wheel only when they
// have focus; otherwise the wheel scrolls the panel, so scrolling past a control never changes
// its value (each change would be an undo step).

#include <QObject>

class QWidget;

namespace duovis::studio {

class WheelGuard : public QObject {
    Q_OBJECT

  public:
    // Guards every such control under `root`; the guard belongs to `root`.
    static void guardControlsUnder(QWidget* root);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    using QObject::QObject;
};

}  // namespace duovis::studio
