#include "core/track_list.h"

#include "core/units.h"

#include <algorithm>
#include <utility>

namespace sundra {

namespace {

const std::string& noText() {
    static const std::string text;
    return text;
}

} // namespace

void TrackList::insertRow(int index, const std::string& name) {
    // Like a list control, an index past the end appends.
    const int at = std::clamp(index, 0, rowCount());
    Row row;
    row.texts[Name] = name;
    if (observer_) {
        observer_->aboutToInsertRows(at, at);
    }
    rows_.insert(rows_.begin() + at, std::move(row));
    if (observer_) {
        observer_->insertedRows();
    }
}

const std::string& TrackList::name(int row) const {
    return text(row, Name);
}

void TrackList::setName(int row, const std::string& name) {
    if (row >= 0 && row < rowCount()) {
        rows_[static_cast<std::size_t>(row)].texts[Name] = name;
        if (observer_) {
            observer_->changedRow(row);
        }
    }
}

const std::string& TrackList::text(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < Name || column > Total) {
        return noText();
    }
    return rows_[static_cast<std::size_t>(row)].texts[static_cast<std::size_t>(column)];
}

void TrackList::clearAll() {
    if (observer_) {
        observer_->aboutToReplaceList();
    }
    for (Row& row : rows_) {
        row.segment.reset();
    }
    rows_.clear();
    if (observer_) {
        observer_->replacedList();
    }
}

void TrackList::removeRow(int row) {
    if (row >= 0 && row < rowCount()) {
        if (observer_) {
            observer_->aboutToRemoveRows(row, row);
        }
        rows_.erase(rows_.begin() + row);
        if (observer_) {
            observer_->removedRows();
        }
    }
}

TrackSegment* TrackList::trackAt(int row) {
    return const_cast<TrackSegment*>(std::as_const(*this).trackAt(row));
}

const TrackSegment* TrackList::trackAt(int row) const {
    if (row == -1) {
        return &TrackSegment::empty();
    }
    if (row < 0 || row >= rowCount()) {
        return nullptr;
    }
    return rows_[static_cast<std::size_t>(row)].segment.get();
}

void TrackList::setTrack(int row, const TrackSegment& segment) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    // A row that already carries a segment gets the new one in its place; the
    // old one is destroyed rather than left behind.
    rows_[static_cast<std::size_t>(row)].segment = std::make_unique<TrackSegment>(segment);
    refreshTimes(row);
}

void TrackList::refreshTimes(int row) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    Row& entry = rows_[static_cast<std::size_t>(row)];
    if (!entry.segment) {
        return;
    }
    const TrackSegment& segment = *entry.segment;
    const WaveFormat& format = segment.format();
    entry.texts[Start] = clock(wholeSeconds(segment.absoluteStart(), format));
    entry.texts[End] = clock(wholeSeconds(segment.absoluteEnd(), format));
    entry.texts[Total] = clock(wholeSeconds(segment.length(), format));
    if (observer_) {
        observer_->changedRow(row);
    }
}

CutList TrackList::cuts() const {
    CutList out;
    out.reserve(rows_.size());
    for (const Row& row : rows_) {
        CutRow cut;
        cut.name = row.texts[Name];
        if (row.segment) {
            cut.start = row.segment->start();
            cut.end = row.segment->end();
        }
        out.push_back(std::move(cut));
    }
    return out;
}

void TrackList::assign(const CutList& cuts, SampleStream& master) {
    // One replacement for the observer, not a removal and an insertion a row.
    TrackListObserver* observer = observer_;
    if (observer) {
        observer->aboutToReplaceList();
    }
    observer_ = nullptr;
    clearAll();
    for (const CutRow& cut : cuts) {
        insertRow(rowCount(), cut.name);
        setTrack(rowCount() - 1, TrackSegment(master, cut.start, cut.end));
    }
    observer_ = observer;
    if (observer) {
        observer->replacedList();
    }
}

} // namespace sundra
