#include "core/track_edges.h"

#include <algorithm>

namespace sundra {

namespace {

bool validRow(const TrackList& rows, int row) {
    return row >= 0 && row < rows.rowCount() && rows.trackAt(row) != nullptr;
}

// A shared cut is named by the first row's end.
TrackEdge canonical(const TrackList& rows, TrackEdge edge) {
    if (edge.side == EdgeSide::Start && rowsTouch(rows, edge.row - 1)) {
        return {edge.row - 1, EdgeSide::End};
    }
    return edge;
}

} // namespace

bool rowsTouch(const TrackList& rows, int row) {
    if (!validRow(rows, row) || !validRow(rows, row + 1)) {
        return false;
    }
    const std::int64_t gap =
        std::int64_t{rows.trackAt(row + 1)->start()} - rows.trackAt(row)->end();
    return gap >= 0 && gap <= 1;
}

std::int32_t edgeFrame(const TrackList& rows, TrackEdge edge) {
    if (!validRow(rows, edge.row)) {
        return 0;
    }
    const TrackSegment& track = *rows.trackAt(edge.row);
    return edge.side == EdgeSide::Start ? track.start() : track.end();
}

bool moveTrackEdge(TrackList& rows, TrackEdge edge, std::int32_t frame, std::int32_t masterLength) {
    if (!validRow(rows, edge.row)) {
        return false;
    }
    edge = canonical(rows, edge);
    TrackSegment& track = *rows.trackAt(edge.row);
    const int before = edge.row - 1;
    const int after = edge.row + 1;

    if (edge.side == EdgeSide::End && rowsTouch(rows, edge.row)) {
        TrackSegment& next = *rows.trackAt(after);
        const std::int32_t gap = next.start() - track.end();
        const std::int32_t lo = std::min(track.start(), track.end());
        const std::int32_t hi = std::max(next.end() - gap, lo);
        const std::int32_t to = std::clamp(frame, lo, hi);
        if (to == track.end()) {
            return false;
        }
        track.setEnd(to);
        next.setStart(to + gap);
        rows.refreshTimes(edge.row);
        rows.refreshTimes(after);
        return true;
    }

    // A lone edge stays within its own track and short of the neighbour; a
    // track that already overlaps its neighbour keeps that overlap but does
    // not grow it.
    if (edge.side == EdgeSide::Start) {
        std::int32_t lo = validRow(rows, before) ? rows.trackAt(before)->end() + 1 : 0;
        lo = std::max(std::min(lo, track.start()), 0);
        const std::int32_t hi = std::max(track.end(), lo);
        const std::int32_t to = std::clamp(frame, lo, hi);
        if (to == track.start()) {
            return false;
        }
        track.setStart(to);
    } else {
        std::int32_t hi = validRow(rows, after) ? rows.trackAt(after)->start() - 1 : masterLength;
        hi = std::max(hi, track.end());
        const std::int32_t lo = std::min(track.start(), hi);
        const std::int32_t to = std::clamp(frame, lo, hi);
        if (to == track.end()) {
            return false;
        }
        track.setEnd(to);
    }
    rows.refreshTimes(edge.row);
    return true;
}

} // namespace sundra
