#include "ui/document/edit_command.h"

EditCommand::EditCommand(const QString& text, CutsSnapshot before, CutsSnapshot after,
                         Restore restore)
    : QUndoCommand(text), before_(std::move(before)), after_(std::move(after)),
      restore_(std::move(restore)) {}

void EditCommand::undo() {
    restore_(before_);
}

void EditCommand::redo() {
    if (made_) {
        made_ = false;
        return;
    }
    restore_(after_);
}
