#pragma once
// What an exported track says about itself (title, artist, album, year, its
// number), and the album information a user types or pastes once for a whole
// recording: the album fields and one title per track. Titles become the
// tracks' names as "NN Title"; the title tag keeps the title as it was typed.

#include <string>
#include <vector>

namespace sundra {

struct TrackTags {
    std::string title;
    std::string artist;
    std::string album;
    std::string year;
    int trackNumber = 0; // from 1; 0 = none
};

struct AlbumInfo {
    std::string album;
    std::string artist;
    std::string year;
    std::vector<std::string> titles; // one per track, in row order

    bool empty() const { return album.empty() && artist.empty() && year.empty() && titles.empty(); }
    friend bool operator==(const AlbumInfo&, const AlbumInfo&) = default;
};

// The titles of a pasted or read text: one per line, surrounding blanks and
// carriage returns removed, empty lines skipped.
std::vector<std::string> parseTitles(const std::string& text);

// "NN Title" for track number n (from 1, at least two digits); a slash in the
// title, which no file name may hold, becomes "-".
std::string titledTrackName(int number, const std::string& title);

// The tags of row `row` (from 0) whose name is rowName: the album's fields, the
// row's number, and its title when the row still carries the name the album
// gave it (otherwise the row was renamed since, and its name is its title).
TrackTags tagsForRow(const AlbumInfo& album, int row, const std::string& rowName);

// Nothing when there is one title per track; otherwise the error to show.
std::string titleCountProblem(std::size_t titles, std::size_t tracks);

} // namespace sundra
