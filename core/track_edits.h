#pragma once
// The edit rules of the track list: what Split, Joint, Expand Left and Right,
// Reset, Rename, Auto Split's pieces and Track Info's titles do to the rows.
// They are plain functions on a TrackList, tested without a window; the
// window's model of the cuts applies them and puts the playback lock, the
// selection and undo around them. Moving a cut by hand is in track_edges.h.
//
// Positions are frames of the master, which every row's segment lies over. The
// frame at a boundary belongs to neither track: Split ends the first part at
// the split frame and starts the second one frame later, and Expand fits a
// track one frame short of its neighbours. A row that does not exist or has no
// segment is left alone.

#include "core/album_info.h"
#include "core/track_list.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sundra {

// A piece of a track, in frames of the master.
struct FrameRange {
    std::int32_t start = 0;
    std::int32_t end = 0;
};

// The name of piece index (from 0) of a row named name: "name-00", "name-01",
// ..., "name-99", "name-100".
std::string numberedName(const std::string& name, int index);

// Split: row, named T over [A, B), becomes T-00 over [A, at] and T-01 over
// [at + 1, B]. A cut that would leave an empty part (at the first frame or
// from the last frame on, or outside the track) does nothing and gives false.
bool splitTrack(TrackList& rows, int row, std::int32_t at, SampleStream& master);

// Joint: row (from 1) merges into the row before, which keeps its name and now
// spans both and everything between them; row goes.
void joinWithPrevious(TrackList& rows, int row);

// The start Expand Left gives row: 0 for the first row, else one past the end
// of the row before. The end Expand Right gives it: masterLength for the last
// row, else one before the start of the row after.
std::int32_t expandedStart(const TrackList& rows, int row);
std::int32_t expandedEnd(const TrackList& rows, int row, std::int32_t masterLength);
void expandLeft(TrackList& rows, int row);
void expandRight(TrackList& rows, int row, std::int32_t masterLength);

// Reset: one row named title over the whole master.
void resetToWhole(TrackList& rows, const std::string& title, SampleStream& master);

// Rename: row i becomes numberedName(title, i).
void renameAll(TrackList& rows, const std::string& title);

// Auto Split's result: row gives way to one row per piece, named after it with
// numberedName; without pieces the row just goes.
void replaceByPieces(TrackList& rows, int row, const std::vector<FrameRange>& pieces,
                     SampleStream& master);

// A track list's pieces: as replaceByPieces, but each piece is named
// titledTrackName after its title and its place among the rows, and album
// gets a title for every row: the pieces' own, and for the other rows the
// titles they had (their names where the album gave them none). Without one
// title per piece nothing changes and false comes back.
bool replaceByTitledPieces(TrackList& rows, AlbumInfo& album, int row,
                           const std::vector<FrameRange>& pieces,
                           const std::vector<std::string>& titles, SampleStream& master);

// Track Info's titles: row i becomes titledTrackName(i + 1, titles[i]). Without
// titles nothing changes; with a count other than the rows' nothing changes
// and false comes back.
bool nameAfterTitles(TrackList& rows, const std::vector<std::string>& titles);

} // namespace sundra
