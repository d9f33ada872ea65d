#pragma once
// Undo for the edits of the track list. An edit handler opens an EditStep
// before it changes anything; when the step closes and the rows differ from
// before, it pushes one EditCommand onto the view's undo stack. The command
// holds the view's state before and after the edit (each row's name, start and
// end, the document's album information, the selected row and the mark), so
// undo and redo put back exactly that state, whichever edit it was: Split,
// Joint, Delete, Expand, Reset, Rename, Auto Split, Track Info, a renamed
// label, an import, a cut moved by hand.

#include "core/cut_list.h"

#include <QString>
#include <QUndoCommand>

#include <cstdint>

class CSundraView;

struct ViewSnapshot {
    sundra::CutList rows;
    int selectedTrack = -1;
    std::int32_t markPosition = 0;
    sundra::AlbumInfo album{};
};

class EditCommand : public QUndoCommand {
public:
    // The edit has already been made: the first redo (from the push) does nothing.
    EditCommand(CSundraView& view, const QString& text, ViewSnapshot before, ViewSnapshot after);

    void undo() override;
    void redo() override;

private:
    CSundraView& view_;
    ViewSnapshot before_;
    ViewSnapshot after_;
    bool made_ = true;
};

// Scope of one edit, opened on the window thread before the edit changes the
// rows (and before the handler takes the playback lock).
class EditStep {
public:
    EditStep(CSundraView& view, const QString& text);
    ~EditStep();
    EditStep(const EditStep&) = delete;
    EditStep& operator=(const EditStep&) = delete;

private:
    CSundraView& view_;
    QString text_;
    ViewSnapshot before_;
};
