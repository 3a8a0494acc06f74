#pragma once
// A form whose hidden rows leave it. Qt 5's QFormLayout keeps a hidden row's spacing, so a
// filter that hides most of the panel's rows would leave it mostly blank: here a row whose
// field is hidden is taken out of the layout, and comes back in its place once shown.

#include <utility>
#include <vector>

class QFormLayout;
class QWidget;

namespace duovis::studio {

class FormRows {
  public:
    explicit FormRows(QFormLayout* form) : form_(form) {}

    QFormLayout* form() const { return form_; }
    // A row of its own: `label` may be null, the field then spans the row.
    void add(QWidget* label, QWidget* field);
    // Lays out the rows whose field is not hidden, in the order they were added.
    void place();

  private:
    QFormLayout* form_;
    std::vector<std::pair<QWidget*, QWidget*>> rows_;
};

}  // namespace duovis::studio
