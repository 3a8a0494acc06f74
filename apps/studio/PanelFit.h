#pragma once
// How the panel's rows give way to a narrow dock, so it never scrolls sideways: a field goes
// under its name when both do not fit beside each other, names wrap, and choice boxes and group
// headings may be narrower than their longest text.

#include <QString>

class QComboBox;
class QFormLayout;
class QLabel;
class QSlider;
class QToolButton;
class QWidget;

namespace duovis::studio {

QFormLayout* fittingForm(QWidget* owner);
QLabel* rowName(const QString& name, QWidget* parent);
void letNarrow(QComboBox* box);
void letNarrow(QToolButton* heading);
// A slider beside its number keeps room to drag: the row wraps under its name before it shrinks.
void keepGrip(QSlider* slider);

}  // namespace duovis::studio
