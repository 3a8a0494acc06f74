#include "FormRows.h"

#include <QFormLayout>
#include <QWidget>

namespace duovis::studio {

namespace {

// Hidden by a hide() of its own, not merely not shown yet.
bool hiddenOnPurpose(const QWidget* w) {
    return w->isHidden() && w->testAttribute(Qt::WA_WState_ExplicitShowHide);
}

void addTo(QFormLayout* form, QWidget* label, QWidget* field) {
    if (label != nullptr)
        form->addRow(label, field);
    else
        form->addRow(field);
}

}  // namespace

void FormRows::add(QWidget* label, QWidget* field) {
    rows_.emplace_back(label, field);
    addTo(form_, label, field);
}

void FormRows::place() {
    // The widgets stay where they are; only the layout's items go.
    while (form_->rowCount() > 0) {
        const QFormLayout::TakeRowResult taken = form_->takeRow(0);
        delete taken.labelItem;
        delete taken.fieldItem;
    }
    for (const auto& [label, field] : rows_)
        if (!hiddenOnPurpose(field)) addTo(form_, label, field);
}

}  // namespace duovis::studio
