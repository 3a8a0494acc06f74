#include "UndoStep.h"

#include "Session.h"

namespace duovis::studio {

UndoStep::UndoStep(Session& session, int slot, ValueSet before, ValueSet after, int drag, int repress,
                   const QString& text)
    : QUndoCommand(text),
      session_(session),
      slot_(slot),
      before_(std::move(before)),
      after_(std::move(after)),
      drag_(drag),
      repress_(repress) {}

void UndoStep::undo() {
    session_.restore(slot_, before_, repress_);
    done_ = false;
}

void UndoStep::redo() {
    if (done_) return;  // QUndoStack::push redoes at once; the change is already made
    session_.restore(slot_, after_, repress_);
}

bool UndoStep::mergeWith(const QUndoCommand* other) {
    const auto* next = static_cast<const UndoStep*>(other);
    if (next->drag_ != drag_ || next->slot_ != slot_ || next->repress_ >= 0 || repress_ >= 0) return false;
    after_ = next->after_;
    return true;
}

}  // namespace duovis::studio
