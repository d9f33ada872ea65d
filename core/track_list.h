#pragma once
// TrackList: the rows the main view shows, each a name and an owned segment,
// with the three time texts (start, end, length as "%H:%M:%S"). The edit rules
// (track_edits.h), Auto Split and Save All work on it; the window's model of
// the cuts owns one and is told of every change through its observer. All
// calls come from the window thread.

#include "core/cut_list.h"
#include "core/track_segment.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sundra {

// Told of every change of a TrackList: before and after rows come or go or the
// whole list is replaced, and after a row's name or times changed. Rows are
// numbered as they are before an insertion or removal.
class TrackListObserver {
public:
    virtual ~TrackListObserver() = default;
    virtual void aboutToInsertRows(int first, int last) = 0;
    virtual void insertedRows() = 0;
    virtual void aboutToRemoveRows(int first, int last) = 0;
    virtual void removedRows() = 0;
    virtual void aboutToReplaceList() = 0;
    virtual void replacedList() = 0;
    virtual void changedRow(int row) = 0;
};

class TrackList {
public:
    enum Column { Name = 0, Start = 1, End = 2, Total = 3 };

    // The observer (not owned; null for none) must outlive the list or be unset.
    void setObserver(TrackListObserver* observer) { observer_ = observer; }

    int rowCount() const { return static_cast<int>(rows_.size()); }
    // Inserts a row with a name and no segment at index (0..rowCount()).
    void insertRow(int index, const std::string& name);
    const std::string& name(int row) const;
    void setName(int row, const std::string& name);
    // Text of column 0..3; the time columns are empty for a row without segment.
    const std::string& text(int row, int column) const;

    // Destroys every row's segment, then removes all rows.
    void clearAll();
    void removeRow(int row);
    // The segment of row; for -1 the process-wide empty track. Null for a row
    // that carries no segment.
    TrackSegment* trackAt(int row);
    const TrackSegment* trackAt(int row) const;
    // Stores a heap copy of segment as the row's track (the row must carry none
    // yet) and refreshes the row's time columns.
    void setTrack(int row, const TrackSegment& segment);
    // Rewrites columns 1 to 3 from the row's segment.
    void refreshTimes(int row);

    // Every row's name, start and end (0, 0 for a row without segment).
    CutList cuts() const;
    // Replaces every row by one row per cut, each with a segment over master.
    void assign(const CutList& cuts, SampleStream& master);

private:
    struct Row {
        std::array<std::string, 4> texts;
        std::unique_ptr<TrackSegment> segment;
    };
    std::vector<Row> rows_;
    TrackListObserver* observer_ = nullptr;
};

} // namespace sundra
