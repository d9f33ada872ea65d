#include "cli/detection_options.h"

#include "cli/row_output.h"
#include "cli/split_options.h"

#include <cstdio>
#include <cstdlib>

namespace sundra::cli {

namespace {

// "A-B" or "A" (from 1) as the first line and the count; UsageError otherwise.
std::pair<std::size_t, std::size_t> lineRange(const std::string& text, std::size_t lines) {
    const std::size_t dash = text.find('-');
    auto number = [&](const std::string& part) {
        char* end = nullptr;
        const long value = std::strtol(part.c_str(), &end, 10);
        if (part.empty() || *end != '\0' || value < 1 || static_cast<std::size_t>(value) > lines)
            throw UsageError("option --lines takes A-B with lines from 1 to " +
                             std::to_string(lines) + ", not '" + text + "'");
        return static_cast<std::size_t>(value);
    };
    const std::size_t first = number(text.substr(0, dash));
    const std::size_t last = dash == std::string::npos ? first : number(text.substr(dash + 1));
    if (last < first)
        throw UsageError("option --lines takes A-B with A not after B, not '" + text + "'");
    return {first - 1, last - first + 1};
}

} // namespace

const std::set<std::string>& detectionValuedOptions() {
    static const std::set<std::string> names{"tracks", "track-list", "lines"};
    return names;
}

DetectionChoice readDetectionChoice(const Options& options) {
    DetectionChoice choice;
    const int given = int(options.has(kAutoFlag)) + int(options.value("tracks").has_value()) +
                      int(options.value("track-list").has_value());
    if (given > 1)
        throw UsageError("give only one of --auto, --tracks and --track-list");
    if (options.value("lines") && !options.value("track-list"))
        throw UsageError("option --lines needs --track-list");
    choice.active = given == 1;
    if (!choice.active)
        return choice;
    for (const std::string& name : splitSettingOptions())
        if (options.value(name))
            throw UsageError("option --" + name +
                             " belongs to the level rule, not to --auto, --tracks or --track-list");

    if (options.has(kAutoFlag))
        return choice;
    if (options.value("tracks")) {
        const long long count = options.integer("tracks", 0);
        if (count < kFewestTracks || count > kMostTracks)
            throw UsageError("option --tracks must lie between " + std::to_string(kFewestTracks) +
                             " and " + std::to_string(kMostTracks));
        choice.request.search = TrackSearch::ByCount;
        choice.request.tracks = static_cast<std::size_t>(count);
        return choice;
    }
    if (options.value("titles"))
        throw UsageError("option --titles does not go with --track-list, whose titles name the "
                         "tracks");
    const std::string path = *options.value("track-list");
    SleeveList list;
    try {
        list = parseSleeveList(readTextFile(path));
    } catch (const CutListError& error) {
        throw UsageError("the track list " + path + ": " + error.what());
    }
    if (list.tracks.empty())
        throw UsageError("the track list " + path + " holds no track");
    if (auto lines = options.value("lines")) {
        const auto [first, count] = lineRange(*lines, list.tracks.size());
        list.tracks = std::vector<SleeveTrack>(list.tracks.begin() + std::ptrdiff_t(first),
                                               list.tracks.begin() + std::ptrdiff_t(first + count));
        choice.firstLine = first;
    }
    if (list.timed()) {
        choice.request.search = TrackSearch::ByDurations;
        choice.request.durations = list.durations();
        choice.request.anyRunOfLines = !options.value("lines");
    } else {
        if (list.tracks.size() < static_cast<std::size_t>(kFewestTracks))
            throw UsageError("a track list without times needs at least two tracks");
        choice.request.search = TrackSearch::ByCount;
        choice.request.tracks = list.tracks.size();
    }
    choice.list = std::move(list);
    return choice;
}

std::string detectionProblem(const DetectionChoice&, const FoundTracks& found) {
    return trackProblem(found);
}

std::string fitNote(const DetectionChoice& choice, const FoundTracks& found) {
    if (!found.fit || !choice.list)
        return "";
    const std::size_t first = choice.firstLine + found.fit->firstLine + 1;
    char text[160];
    std::snprintf(text, sizeof text,
                  "the tracks are lines %zu-%zu of the track list; the furthest is %.1f s off "
                  "its time",
                  first, first + found.fit->lines - 1, found.fit->worstSeconds);
    return text;
}

AlbumInfo listAlbum(const DetectionChoice& choice, const FoundTracks& found) {
    AlbumInfo album;
    if (!choice.list)
        return album;
    const std::size_t first = found.fit ? found.fit->firstLine : 0;
    const std::size_t count = found.fit ? found.fit->lines : choice.list->tracks.size();
    for (std::size_t i = first; i < first + count; ++i)
        album.titles.push_back(choice.list->tracks[i].title);
    return album;
}

} // namespace sundra::cli
