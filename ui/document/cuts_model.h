#pragma once
// CutsModel: the cuts of the open document, the one model that every editor
// edits and every view shows. It owns the rows (each a name and a segment over
// the master, in an engine TrackList), the album information, the selected row
// and the mark, and the history of the edits.
//
// Every edit is an operation here. The rule itself is the engine's
// (core/track_edits.h, core/track_edges.h); the model runs it under the
// playback lock, ends with a live row (or none) as the document's current
// range, and pushes one undo step that holds the state before and after.
// Names alone (Rename, a renamed label, Track Info) take no lock.
//
// Observers: it is the item model of the track list (four columns, the name
// editable, a confirmed name being an edit of its own), and it signals the
// selection, the mark and every change of the cuts. Window thread only.

#include "core/playback_context.h"
#include "core/track_edges.h"
#include "core/track_edits.h"
#include "core/track_list.h"
#include "split/auto_split.h"
#include "ui/document/edit_command.h"

#include <QAbstractTableModel>
#include <QUndoStack>

#include <cstdint>
#include <string>
#include <vector>

class CutsModel : public QAbstractTableModel, private sundra::TrackListObserver {
    Q_OBJECT
public:
    explicit CutsModel(sundra::PlaybackContext& playback, QObject* parent = nullptr);
    // Takes the current range off the rows before they go.
    ~CutsModel() override;

    // The rows.
    const sundra::TrackList& rows() const { return rows_; }
    int rowCount(const QModelIndex& parent = {}) const override;
    const std::string& name(int row) const { return rows_.name(row); }
    // Column 0..3: the name, then the start, end and length as "%H:%M:%S".
    const std::string& text(int row, int column) const { return rows_.text(row, column); }
    // The row's segment; -1 gives the shared empty track, a row that does not
    // exist null. Changed directly, it keeps no history and tells no one.
    sundra::TrackSegment* trackAt(int row) { return rows_.trackAt(row); }
    const sundra::TrackSegment* trackAt(int row) const { return rows_.trackAt(row); }
    sundra::CutList cuts() const { return rows_.cuts(); }
    const sundra::AlbumInfo& album() const { return album_; }
    // The file title, which Reset names the whole row after and Rename numbers.
    const std::string& title() const { return title_; }

    // The selected row (-1: none) and the mark (frames from the selected
    // row's start; 0: no mark).
    int selectedTrack() const { return selected_; }
    std::int32_t markPosition() const { return mark_; }
    // Makes row (-1: none) the selected track and the document's current range,
    // at its start and without mark. A row that does not exist selects none.
    void select(int row);
    // Sets the mark; whoever calls has put the current range's position there.
    void setMark(std::int32_t mark);

    // A new master is in: no album, no history, and one row named title over
    // the whole master, selected (wholeRow), or no rows at all.
    void startOver(const std::string& title, bool wholeRow);

    // The edits, each one undo step named as its command.
    // Split: row becomes two parts at master frame at; the first is selected.
    // A cut that would leave a part empty changes nothing (false).
    bool split(int row, std::int32_t at);
    // Joint: row merges into the row before, which is selected.
    void join(int row);
    // Delete: row goes; nothing is selected.
    void remove(int row);
    // Where Expand Left and Expand Right would put row's start and end.
    std::int32_t expandedStart(int row) const;
    std::int32_t expandedEnd(int row) const;
    void expandLeft(int row);
    void expandRight(int row);
    // Reset: one row over the whole master, selected.
    void reset();
    // Rename: every row numbered after the title; the selection stays.
    void renameAll();
    // A name confirmed in the list ("Rename Track").
    void renameTrack(int row, const std::string& name);
    // Moves a cut (a shared cut moves both rows) to frame of the master, within
    // the neighbours ("Move Cut"); a selected row whose bounds changed is
    // selected again. False when nothing moved.
    bool moveCut(const sundra::TrackEdge& edge, std::int32_t frame);
    // Auto Split and Split into Tracks: row gives way to one row per piece
    // (frames of the master), named after it; the first is selected (with no
    // piece, the row that came after, if any).
    void applyPieces(int row, const std::vector<sundra::FrameRange>& pieces,
                     const QString& step = QStringLiteral("Auto Split"));
    void applyPieces(int row, const sundra::PieceList& pieces,
                     const QString& step = QStringLiteral("Auto Split"));
    // Split into Tracks by a track list: as applyPieces, the pieces named and
    // the album titled after titles (one per piece, or nothing changes).
    void applyTitledPieces(int row, const std::vector<sundra::FrameRange>& pieces,
                           const std::vector<std::string>& titles, const QString& step);
    // Replaces every row by the cuts (the first selected) and, when album is
    // given, the album information, as one step named step.
    void applyCutList(const sundra::CutList& cuts, const QString& step,
                      const sundra::AlbumInfo* album = nullptr);
    // Track Info: the album information and, with titles (one per row, or
    // nothing changes and false comes back), the names "NN Title".
    bool applyTrackInfo(const sundra::AlbumInfo& info);

    // The history: undo and redo put back the cuts before and after a step.
    QUndoStack& undoStack() { return history_; }
    // Whether the cuts changed since the master came in or they were saved.
    bool edited() const { return !history_.isClean(); }
    // The cuts are written out: closing loses nothing.
    void markSaved() { history_.setClean(); }
    CutsSnapshot snapshot() const;
    void restore(const CutsSnapshot& state);

    // The item model of the list.
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // The selected row changed, or the same row was selected again (-1: none).
    void selectionChanged(int row);
    void markChanged(std::int32_t mark);
    // After every change of the rows or the album: an edit, an undo or redo,
    // a new master.
    void cutsChanged();
    // A new master is in and the cuts started over (just before cutsChanged);
    // the document's path is already the new one.
    void startedOver();

private:
    class EditStep;

    void aboutToInsertRows(int first, int last) override;
    void insertedRows() override;
    void aboutToRemoveRows(int first, int last) override;
    void removedRows() override;
    void aboutToReplaceList() override;
    void replacedList() override;
    void changedRow(int row) override;

    sundra::PlaybackContext& playback_;
    sundra::TrackList rows_;
    sundra::AlbumInfo album_;
    std::string title_;
    int selected_ = -1;
    std::int32_t mark_ = 0;
    QUndoStack history_;
};
