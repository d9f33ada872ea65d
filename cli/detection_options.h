#pragma once
// How split is asked for the tracks of the gap detection instead of the level
// rule's pieces: --auto (no settings), --tracks N (the N - 1 best gaps), or
// --track-list FILE (a sleeve's list: its times place the cuts, its titles
// name the tracks; --lines A-B picks the lines a file holds). Read once,
// before any work, so that bad input is refused at once.

#include "cli/options.h"
#include "core/album_info.h"
#include "core/sleeve_list.h"
#include "split/track_finder.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace sundra::cli {

const std::set<std::string>& detectionValuedOptions(); // tracks, track-list, lines
inline const char* kAutoFlag = "auto";

struct DetectionChoice {
    bool active = false; // one of the three was given
    TrackRequest request;
    std::optional<SleeveList> list; // --track-list, cut to --lines
    std::size_t firstLine = 0;      // of the whole list, from 0: where --lines starts
};

// The choice on the command line; UsageError for bad or clashing options (the
// level rule's settings and --titles do not go with these).
DetectionChoice readDetectionChoice(const Options& options);

// What to tell the user when the tracks could not be found as asked; empty
// when they were.
std::string detectionProblem(const DetectionChoice& choice, const FoundTracks& found);

// A line for standard error about the track list's fit; empty without a list.
std::string fitNote(const DetectionChoice& choice, const FoundTracks& found);

// The titles of the tracks found from a list (the lines fitted), empty without one.
AlbumInfo listAlbum(const DetectionChoice& choice, const FoundTracks& found);

} // namespace sundra::cli
