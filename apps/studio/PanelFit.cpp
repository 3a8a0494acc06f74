#include "PanelFit.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QSizePolicy>
#include <QSlider>
#include <QToolButton>

namespace duovis::studio {

namespace {

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
    auto* label = new QLabel(name, parent);
    label->setWordWrap(true);
    return label;
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
