#pragma once
// One undo step: an instance's values before and after a user's change. A drag is one step
// however many values it passed through; a button that toggles the effect's process-wide
// state (the global display switch) is pressed again on undo and redo.

#include <QUndoCommand>

#include "ValueSet.h"

namespace duovis::studio {

class Session;

class UndoStep : public QUndoCommand {
  public:
    // `drag` is the drag's serial number, 0 for a change made at once.
    UndoStep(Session& session, int slot, ValueSet before, ValueSet after, int drag, int repress,
             const QString& text);

    void undo() override;
    void redo() override;
    int id() const override { return drag_ != 0 ? 1 : -1; }
    bool mergeWith(const QUndoCommand* other) override;

  private:
    Session& session_;
    int slot_;
    ValueSet before_;
    ValueSet after_;
    int drag_;
    int repress_;
    bool done_ = true;  // the change was made before the step was pushed
};

}  // namespace duovis::studio
