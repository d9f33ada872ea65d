#include "core/track_edits.h"

#include "core/album_info.h"

#include <cstdio>

namespace sundra {

std::string numberedName(const std::string& name, int index) {
    char number[16];
    std::snprintf(number, sizeof number, "-%02d", index);
    return name + number;
}

bool splitTrack(TrackList& rows, int row, std::int32_t at, SampleStream& master) {
    const TrackSegment* track = row < 0 ? nullptr : rows.trackAt(row);
    if (track == nullptr) {
        return false;
    }
    const std::int32_t start = track->absoluteStart();
    const std::int32_t end = track->absoluteEnd();
    // The frame at the cut belongs to neither part: each part keeps a frame.
    if (at <= start || at >= end - 1) {
        return false;
    }
    const std::string name = rows.name(row);
    rows.removeRow(row);
    rows.insertRow(row, numberedName(name, 1));
    rows.setTrack(row, TrackSegment(master, at + 1, end));
    rows.insertRow(row, numberedName(name, 0));
    rows.setTrack(row, TrackSegment(master, start, at));
    return true;
}

void joinWithPrevious(TrackList& rows, int row) {
    TrackSegment* before = row < 1 ? nullptr : rows.trackAt(row - 1);
    const TrackSegment* track = row < 1 ? nullptr : rows.trackAt(row);
    if (before == nullptr || track == nullptr) {
        return;
    }
    before->mergeWith(*track);
    rows.removeRow(row);
    rows.refreshTimes(row - 1);
}

std::int32_t expandedStart(const TrackList& rows, int row) {
    const TrackSegment* before = row < 1 ? nullptr : rows.trackAt(row - 1);
    return before == nullptr ? 0 : before->absoluteEnd() + 1;
}

std::int32_t expandedEnd(const TrackList& rows, int row, std::int32_t masterLength) {
    const TrackSegment* after = row + 1 >= rows.rowCount() ? nullptr : rows.trackAt(row + 1);
    return after == nullptr ? masterLength : after->absoluteStart() - 1;
}

void expandLeft(TrackList& rows, int row) {
    TrackSegment* track = row < 0 ? nullptr : rows.trackAt(row);
    if (track != nullptr) {
        track->setStart(expandedStart(rows, row));
        rows.refreshTimes(row);
    }
}

void expandRight(TrackList& rows, int row, std::int32_t masterLength) {
    TrackSegment* track = row < 0 ? nullptr : rows.trackAt(row);
    if (track != nullptr) {
        track->setEnd(expandedEnd(rows, row, masterLength));
        rows.refreshTimes(row);
    }
}

void resetToWhole(TrackList& rows, const std::string& title, SampleStream& master) {
    rows.clearAll();
    rows.insertRow(0, title);
    rows.setTrack(0, TrackSegment(master));
}

void renameAll(TrackList& rows, const std::string& title) {
    for (int i = 0; i < rows.rowCount(); ++i) {
        rows.setName(i, numberedName(title, i));
    }
}

void replaceByPieces(TrackList& rows, int row, const std::vector<FrameRange>& pieces,
                     SampleStream& master) {
    if (row < 0 || row >= rows.rowCount()) {
        return;
    }
    const std::string name = rows.name(row);
    for (int i = static_cast<int>(pieces.size()) - 1; i >= 0; --i) {
        const FrameRange& piece = pieces[static_cast<std::size_t>(i)];
        rows.insertRow(row + 1, numberedName(name, i));
        rows.setTrack(row + 1, TrackSegment(master, piece.start, piece.end));
    }
    rows.removeRow(row);
}

bool replaceByTitledPieces(TrackList& rows, AlbumInfo& album, int row,
                           const std::vector<FrameRange>& pieces,
                           const std::vector<std::string>& titles, SampleStream& master) {
    if (row < 0 || row >= rows.rowCount() || titles.size() != pieces.size()) {
        return false;
    }
    std::vector<std::string> before;
    std::vector<std::string> after;
    for (int other = 0; other < rows.rowCount(); ++other) {
        if (other != row) {
            (other < row ? before : after).push_back(trackTitle(album, other, rows.name(other)));
        }
    }
    replaceByPieces(rows, row, pieces, master);
    for (std::size_t i = 0; i < titles.size(); ++i) {
        const int piece = row + static_cast<int>(i);
        rows.setName(piece, titledTrackName(piece + 1, titles[i]));
    }
    album.titles = std::move(before);
    album.titles.insert(album.titles.end(), titles.begin(), titles.end());
    album.titles.insert(album.titles.end(), after.begin(), after.end());
    return true;
}

bool nameAfterTitles(TrackList& rows, const std::vector<std::string>& titles) {
    if (!titles.empty() && titles.size() != static_cast<std::size_t>(rows.rowCount())) {
        return false;
    }
    for (std::size_t i = 0; i < titles.size(); ++i) {
        const int row = static_cast<int>(i);
        rows.setName(row, titledTrackName(row + 1, titles[i]));
    }
    return true;
}

} // namespace sundra
