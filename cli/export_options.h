#pragma once
// The export options of the commands that save tracks: --format, --quality and
// the album information (--titles FILE, --artist, --album, --year). They are
// read once, before any work, so that a bad value is refused at once; the
// titles are matched with the tracks once these are known, before anything is
// written.

#include "cli/options.h"
#include "split/export_format.h"
#include "split/track_tags.h"

#include <set>
#include <string>
#include <vector>

namespace sundra::cli {

// The valued options below, to add to a command's own.
const std::set<std::string>& exportOptionNames();

struct ExportChoice {
    ExportSettings settings;
    AlbumInfo album;
    bool hasTitles = false;
    bool anyGiven = false; // whether any export option was on the command line

    // The tracks' names: "NN Title" from the titles, or the given ones. A titles
    // count that differs from the tracks' is a UsageError.
    std::vector<std::string> trackNames(const std::vector<std::string>& plainNames) const;
    // The tags of each track named by trackNames.
    std::vector<TrackTags> trackTags(const std::vector<std::string>& names) const;
    // The fields the command line left empty, and the titles when it gave
    // none, taken from the album information of a cut list.
    void fillFrom(const AlbumInfo& listAlbum);
};

// Reads the options (and the titles file); bad values are UsageErrors.
ExportChoice readExportChoice(const Options& options);

} // namespace sundra::cli
