#include "split/track_tags.h"

#include <algorithm>

namespace sundra {

namespace {

std::string trimmed(const std::string& text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f'; };
    auto begin = std::find_if_not(text.begin(), text.end(), blank);
    auto end =
        std::find_if_not(text.rbegin(), std::string::const_reverse_iterator(begin), blank).base();
    return std::string(begin, end);
}

} // namespace

std::vector<std::string> parseTitles(const std::string& text) {
    std::vector<std::string> titles;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string title = trimmed(text.substr(start, end - start));
        if (!title.empty())
            titles.push_back(std::move(title));
        start = end + 1;
    }
    return titles;
}

TrackTags tagsForRow(const AlbumInfo& album, int row, const std::string& rowName) {
    TrackTags tags;
    tags.artist = album.artist;
    tags.album = album.album;
    tags.year = album.year;
    tags.trackNumber = row + 1;
    tags.title = trackTitle(album, row, rowName);
    return tags;
}

std::string titleCountProblem(std::size_t titles, std::size_t tracks) {
    if (titles == tracks)
        return {};
    const auto count = [](std::size_t n, const char* one, const char* many) {
        return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    return "The titles do not match the tracks: " + count(titles, "title", "titles") + " for " +
           count(tracks, "track", "tracks") + ". Give one title per track.";
}

} // namespace sundra
