#include "core/album_info.h"

#include <algorithm>
#include <cstdio>

namespace sundra {

std::string titledTrackName(int number, const std::string& title) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%02d ", number);
    std::string name = prefix + title;
    std::replace(name.begin(), name.end(), '/', '-');
    return name;
}

std::string trackTitle(const AlbumInfo& album, int row, const std::string& rowName) {
    const auto index = static_cast<std::size_t>(row);
    if (row >= 0 && index < album.titles.size() &&
        rowName == titledTrackName(row + 1, album.titles[index]))
        return album.titles[index];
    return rowName;
}

} // namespace sundra
