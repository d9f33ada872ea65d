#pragma once
// CutListKeeper: the cuts of each file kept between runs. When an edited
// document goes (New, Open, a recording, exit), its cuts and album are written
// to a kept cut list named after the file and stamped with its size and time;
// when the same unchanged file opens again, the user is offered them back.
// A document back at its one whole row leaves no list behind.
//
// It reads the document's cuts model; errors and the question are boxes owned
// by the view.

#include <QString>

class CSundraDoc;
class QWidget;

class CutListKeeper {
public:
    CutListKeeper(CSundraDoc& document, QWidget* owner);

    // Keeps the cuts of an edited document for its file.
    void keep();
    // After Open: offers the cuts kept for this file, if any; taken, they are
    // one undo step.
    void offer();

    // Where the kept lists live; by default a folder in the user's data.
    void setFolder(const QString& folder) { folder_ = folder; }
    QString folder() const;

private:
    CSundraDoc& document_;
    QWidget* owner_;
    QString folder_;
};
