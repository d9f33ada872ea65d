#include "cli/export_options.h"

#include <fstream>
#include <iterator>

namespace sundra::cli {

const std::set<std::string>& exportOptionNames() {
    static const std::set<std::string> names{"format", "quality", "titles",
                                             "artist", "album",   "year"};
    return names;
}

ExportChoice readExportChoice(const Options& options) {
    ExportChoice choice;
    for (const std::string& name : exportOptionNames())
        if (options.value(name))
            choice.anyGiven = true;
    if (auto name = options.value("format")) {
        const auto format = exportFormatNamed(*name);
        if (!format)
            throw UsageError("option --format takes wav, flac, ogg, opus or mp3, not '" + *name +
                             "'");
        choice.settings.format = *format;
    }
    const long long quality = options.integer("quality", choice.settings.quality);
    if (quality < 0 || quality > 100)
        throw UsageError("option --quality must lie between 0 and 100");
    choice.settings.quality = static_cast<int>(quality);
    choice.album.artist = options.value("artist").value_or("");
    choice.album.album = options.value("album").value_or("");
    choice.album.year = options.value("year").value_or("");
    if (auto path = options.value("titles")) {
        std::ifstream in(*path, std::ios::binary);
        if (!in)
            throw UsageError("the titles file " + *path + " can not be read");
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        choice.album.titles = parseTitles(text);
        choice.hasTitles = true;
    }
    return choice;
}

std::vector<std::string>
ExportChoice::trackNames(const std::vector<std::string>& plainNames) const {
    if (!hasTitles)
        return plainNames;
    const std::string problem = titleCountProblem(album.titles.size(), plainNames.size());
    if (!problem.empty())
        throw UsageError(problem + " Nothing was written.");
    std::vector<std::string> names;
    for (std::size_t i = 0; i < album.titles.size(); ++i)
        names.push_back(titledTrackName(static_cast<int>(i) + 1, album.titles[i]));
    return names;
}

std::vector<TrackTags> ExportChoice::trackTags(const std::vector<std::string>& names) const {
    std::vector<TrackTags> tags;
    for (std::size_t i = 0; i < names.size(); ++i)
        tags.push_back(tagsForRow(album, static_cast<int>(i), names[i]));
    return tags;
}

void ExportChoice::fillFrom(const AlbumInfo& listAlbum) {
    for (auto field : {&AlbumInfo::album, &AlbumInfo::artist, &AlbumInfo::year})
        if ((album.*field).empty())
            album.*field = listAlbum.*field;
    // The list's rows already carry the names its titles gave them.
    if (!hasTitles)
        album.titles = listAlbum.titles;
}

} // namespace sundra::cli
