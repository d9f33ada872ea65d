#pragma once
// CutListFiles: the cue sheets and label files of the File menu. Export writes
// the document's cuts (and, in a cue sheet, the album information) to a file
// the user chooses; Import replaces the cuts by those of a sheet or a label
// file read against the open file, as one undo step. A file that cannot be
// read or written, or a list that does not fit the file, is a message box
// owned by the view; nothing changes then.

#include <QString>

#include <functional>

class CSundraDoc;
class CommandTable;
class QWidget;

class CutListFiles {
public:
    CutListFiles(CSundraDoc& document, QWidget* owner);

    // Binds Import, Export Cue Sheet and Export Labels.
    void bindCommands(CommandTable& commands);

    void OnExportCueSheet();
    void OnExportLabels();
    void OnImportCutList();
    // The same with the file at path; false (after the message) when it cannot
    // be read or does not fit the document. What it holds that gives no row is
    // named in a message once its rows are in.
    bool importFile(const QString& path);

    // Replaces the file dialogs (tests): gets whether the file is to be
    // written and the suggested path; empty = cancelled.
    using PathChooser = std::function<QString(bool save, const QString& suggested)>;
    void setPathChooser(PathChooser choose) { choosePath_ = std::move(choose); }

private:
    void exportCutList(bool cue);

    CSundraDoc& document_;
    QWidget* owner_;
    PathChooser choosePath_;
};
