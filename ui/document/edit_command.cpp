#include "ui/document/edit_command.h"

#include "ui/view/sundra_view.h"

#include <QUndoStack>

EditCommand::EditCommand(CSundraView& view, const QString& text, ViewSnapshot before,
                         ViewSnapshot after)
    : QUndoCommand(text), view_(view), before_(std::move(before)), after_(std::move(after)) {}

void EditCommand::undo() {
    view_.restoreSnapshot(before_);
}

void EditCommand::redo() {
    if (made_) {
        made_ = false;
        return;
    }
    view_.restoreSnapshot(after_);
}

EditStep::EditStep(CSundraView& view, const QString& text)
    : view_(view), text_(text), before_(view.snapshot()) {}

EditStep::~EditStep() {
    ViewSnapshot after = view_.snapshot();
    // Only a change of the rows or the album is an edit; a selection alone is not.
    if (after.rows != before_.rows || after.album != before_.album) {
        view_.undoStack().push(new EditCommand(view_, text_, std::move(before_), std::move(after)));
    }
}
