#pragma once
// Moving the edges of tracks by hand, as the waveform display's drag does: the
// rules live here, on the track list, so that they are tested without a window.
//
// Two neighbouring rows "touch" when the second starts at most one frame after
// the first ends (Split leaves exactly that one-frame gap). Their shared cut is
// one edge: moving it moves the first row's end and the second row's start
// together, keeping the gap. Every other start or end is an edge of its own.

#include "core/track_list.h"

#include <cstdint>

namespace sundra {

enum class EdgeSide { Start, End };

struct TrackEdge {
    int row = -1;
    EdgeSide side = EdgeSide::Start;
    friend bool operator==(const TrackEdge&, const TrackEdge&) = default;
};

// True when rows row and row + 1 touch.
bool rowsTouch(const TrackList& rows, int row);

// Where edge is now in master frames; for a shared cut, the first row's end.
std::int32_t edgeFrame(const TrackList& rows, TrackEdge edge);

// Moves edge to frame, clamped so that no track's length becomes negative, no
// edge crosses the neighbouring track, and nothing leaves 0..masterLength. A
// shared cut is given as the first row's end (or the second row's start, which
// means the same cut) and moves both rows. Refreshes the time texts of the
// rows it changed. Returns true when anything moved.
bool moveTrackEdge(TrackList& rows, TrackEdge edge, std::int32_t frame, std::int32_t masterLength);

} // namespace sundra
