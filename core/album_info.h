#pragma once
// The album information a user types or pastes once for a whole recording:
// album, artist, year and one title per track. Titles name the tracks
// "NN Title"; the title itself is kept as it was typed, for the tags and for
// the cue sheets that carry it.

#include <string>
#include <vector>

namespace sundra {

struct AlbumInfo {
    std::string album;
    std::string artist;
    std::string year;
    std::vector<std::string> titles; // one per track, in row order

    bool empty() const { return album.empty() && artist.empty() && year.empty() && titles.empty(); }
    friend bool operator==(const AlbumInfo&, const AlbumInfo&) = default;
};

// "NN Title" for track number n (from 1, at least two digits); a slash in the
// title, which no file name may hold, becomes "-".
std::string titledTrackName(int number, const std::string& title);

// The title of row `row` (from 0) whose name is rowName: the album's title for
// the row while the row still carries the name the album gave it, otherwise
// (the row was renamed since) its name.
std::string trackTitle(const AlbumInfo& album, int row, const std::string& rowName);

} // namespace sundra
