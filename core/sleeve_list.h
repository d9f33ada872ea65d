#pragma once
// Track lists as people paste them from a sleeve or a catalogue page: one track
// a line, an optional position ("1", "01", "1.", "A1", "B2"), the title, and
// a duration ("m:ss" or "h:mm:ss", bare or in round or square brackets) after
// spaces, a tab or " - ". Blank lines are skipped, and so are headings such as
// "Side A" or "Disc 2" in a list whose tracks have times. The titles name and
// tag the tracks; the times, when every track has one, say where the cuts
// belong.

#include "core/cut_list.h"

#include <optional>
#include <string>
#include <vector>

namespace sundra {

struct SleeveTrack {
    std::string position; // as written ("A1", "01"); empty when none
    std::string title;
    std::optional<double> seconds;
    friend bool operator==(const SleeveTrack&, const SleeveTrack&) = default;
};

struct SleeveList {
    std::vector<SleeveTrack> tracks;

    bool timed() const; // every track has a duration (and there is a track)
    std::vector<double> durations() const;
    std::vector<std::string> titles() const;
};

// The tracks of a pasted list. Throws CutListError naming the line for a line
// without a title, or a list in which some tracks have times and others not.
SleeveList parseSleeveList(const std::string& text);

// "3:45" or "1:02:03" as seconds; empty when text is not such a time.
std::optional<double> sleeveTime(const std::string& text);

} // namespace sundra
