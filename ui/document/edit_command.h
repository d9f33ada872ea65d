#pragma once
// Undo for the edits of the cuts. Every edit of the cuts model pushes one
// EditCommand onto the model's history: it holds the cuts before and after the
// edit (each row's name, start and end, the album information, the selected
// row and the mark) and puts back one or the other through the model's
// restore, so undo and redo return exactly that state whichever edit it was:
// Split, Joint, Delete, Expand, Reset, Rename, Auto Split, Track Info, a
// renamed label, an import, a cut moved by hand.

#include "core/cut_list.h"

#include <QString>
#include <QUndoCommand>

#include <cstdint>
#include <functional>

struct CutsSnapshot {
    sundra::CutList rows;
    int selectedTrack = -1;
    std::int32_t markPosition = 0;
    sundra::AlbumInfo album{};
};

class EditCommand : public QUndoCommand {
public:
    // Puts a snapshot back into the model.
    using Restore = std::function<void(const CutsSnapshot&)>;

    // The edit has already been made: the first redo (from the push) does nothing.
    EditCommand(const QString& text, CutsSnapshot before, CutsSnapshot after, Restore restore);

    void undo() override;
    void redo() override;

private:
    CutsSnapshot before_;
    CutsSnapshot after_;
    Restore restore_;
    bool made_ = true;
};
