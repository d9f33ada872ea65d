#pragma once
// What an exported track says about itself (title, artist, album, year, its
// number), made from the album information of the recording.

#include "core/album_info.h"

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

// The titles of a pasted or read text: one per line, surrounding blanks and
// carriage returns removed, empty lines skipped.
std::vector<std::string> parseTitles(const std::string& text);

// The tags of row `row` (from 0) whose name is rowName: the album's fields, the
// row's number, and its title when the row still carries the name the album
// gave it (otherwise the row was renamed since, and its name is its title).
TrackTags tagsForRow(const AlbumInfo& album, int row, const std::string& rowName);

// Nothing when there is one title per track; otherwise the error to show.
std::string titleCountProblem(std::size_t titles, std::size_t tracks);

} // namespace sundra
