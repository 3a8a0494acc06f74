#include "PanelFit.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QSizePolicy>
#include <QSlider>
#include <QToolButton>

#include <algorithm>

namespace duovis::studio {

namespace {

// A row's name: on one line where the dock has room, wrapped where it has not. A wrapping
// label's own size hint would wrap any name over about twenty characters.
class RowName : public QLabel {
  public:
    RowName(const QString& name, QWidget* parent) : QLabel(name, parent) { setWordWrap(true); }

    QSize sizeHint() const override {
        const QMargins m = contentsMargins();
        const int line = fontMetrics().horizontalAdvance(text()) + 2 * margin() + m.left() + m.right() + 1;
        const int width = std::max(QLabel::sizeHint().width(), line);
        return {width, heightForWidth(width)};
    }
};

// Characters a choice box keeps room for; its list still shows each choice in full.
constexpr int kChoiceChars = 8;
constexpr int kSliderGrip = 64;  // pixels

}  // namespace

QFormLayout* fittingForm(QWidget* owner) {
    auto* form = new QFormLayout(owner);
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    return form;
}

QLabel* rowName(const QString& name, QWidget* parent) {
    return new RowName(name, parent);
}

void letNarrow(QComboBox* box) {
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(kChoiceChars);
}

// A heading spans its row: it takes the row's width, clipping a long name in a very narrow dock.
void letNarrow(QToolButton* heading) {
    heading->setSizePolicy(QSizePolicy::Ignored, heading->sizePolicy().verticalPolicy());
}

void keepGrip(QSlider* slider) {
    slider->setMinimumWidth(kSliderGrip);
}

}  // namespace duovis::studio
