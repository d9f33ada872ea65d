#pragma once
// Which candidate gaps (gap_detection.h) become cuts, chosen three ways over
// the same candidates: automatically, by a number of tracks, or by the
// durations of a sleeve's track list; and the tracks that the cuts make, each
// from where its music rises out of the floor to where it sinks back into it,
// with a short margin of the gap at either end.

#include "split/gap_detection.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace sundra {

// Indices into GapDetection::candidates, in track order.
using GapChoice = std::vector<std::size_t>;

// The gap a candidate is, by the automatic rule: it reaches the floor and stays
// there for kShortestGapSeconds, with the music on both sides well above it.
bool isClearGap(const GapCandidate& gap);

// A song is at least this long: of two cuts closer together, the better one is
// taken (a staccato intro whose hits die away into the floor is no string of
// songs).
inline constexpr double kShortestTrackSeconds = 10.0;

// Whether the candidate at index, beside those taken (in track order), would
// leave a track of less music than kShortestTrackSeconds.
bool leavesShortTrack(const GapDetection& detection, const GapChoice& taken, std::size_t index);

// The clear gaps, the best first where two would leave a short track between.
GapChoice chooseGaps(const GapDetection& detection);

// The count best-scored candidates, the best first where two would leave a
// short track between (and those too when the others do not suffice); empty
// when there are fewer candidates than count.
std::optional<GapChoice> chooseBestGaps(const GapDetection& detection, std::size_t count);

// The lines of a track list that the tracks were fitted to, and the cuts.
struct DurationFit {
    std::size_t firstLine = 0;
    std::size_t lines = 0;
    GapChoice gaps;
    // The largest difference between a track's length and its listed one.
    double worstSeconds = 0.0;
};

// The cuts whose places best fit the listed durations (seconds, one per line):
// every track's length close to its line's, clear gaps before weaker ones. With
// anyRun the tracks may be any run of consecutive lines (a side of a whole
// album's list); otherwise they are every line. Empty when no run of lines can
// be placed (fewer candidates than cuts).
std::optional<DurationFit> fitDurations(const GapDetection& detection,
                                        const std::vector<double>& seconds, bool anyRun);

// The margin of the gap kept at either end of a track.
inline constexpr double kTrackMarginSeconds = 0.25;

// The tracks the chosen gaps part, in frames of the scanned track: from the
// first music to the last, each ending where its music sinks into the floor
// and starting where it rises out, widened by the margin into the gap but
// never past its cut. No music, no track.
std::vector<FrameSpan> tracksBetween(const GapDetection& detection, const GapChoice& gaps);

} // namespace sundra
