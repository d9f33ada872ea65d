#pragma once
// CutListKeeper: the cuts of each file kept between runs. When a file opens
// (or a recording becomes the document) its stamp, size and time, is taken;
// after every change of its cuts (an edit, undo, redo, a restore) the cuts and
// the album are written to a kept cut list named after the file, off the
// window thread and atomically, so a crash or a kill loses nothing but a
// change made a moment before. When the same file opens again unchanged, the
// user is offered them back; a list kept for another state of the file is
// never offered. A document back at its one whole row leaves no list behind;
// one that nobody edited leaves the list of last time as it was.
//
// It follows the document's cuts model; errors and the question are boxes
// owned by the view.

#include "audio/latest_job_queue.h"
#include "core/kept_cut_list_file.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

class CSundraDoc;
class QWidget;

class CutListKeeper : public QObject {
    Q_OBJECT
public:
    CutListKeeper(CSundraDoc& document, QWidget* owner);
    // Writes what is still pending.
    ~CutListKeeper() override;

    // After Open: offers the cuts kept for this file, if any; taken, they are
    // one undo step.
    void offer();
    // Returns once every change so far is on disk (at exit).
    void flush();

    // Where the kept lists live, for files opened from now on; by default a
    // folder in the user's data.
    void setFolder(const QString& folder) { folder_ = folder; }
    QString folder() const;

private:
    void onStartedOver();
    void onCutsChanged();

    CSundraDoc& document_;
    QWidget* owner_;
    QString folder_;
    // The list of the open file, stamped as it opened; none after New.
    std::optional<sundra::KeptCutListFile> file_;
    // Set once a write of this file's list failed: the message comes once,
    // not with every edit.
    std::shared_ptr<std::atomic<bool>> failed_;
    sundra::LatestJobQueue writes_;
};
