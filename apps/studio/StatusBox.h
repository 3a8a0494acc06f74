#pragma once
// The effect's status area in the panel ("Global Display: ON, mode: ..."): the words the effect
// drew, wrapped to the panel's width in the panel's text colours, so a narrow panel never cuts
// them and they read as well as any label.

class QLabel;
class QWidget;

namespace duovis::studio {

// A box at least `minHeight` tall (the height the effect registered for its area).
QLabel* makeStatusBox(QWidget* parent, int minHeight);

}  // namespace duovis::studio
