// Writing cue sheets: the rows as the tracks of one FILE.

#include "core/cut_list.h"

#include "core/cut_list_text.h"

#include <algorithm>
#include <cstdio>

namespace sundra {

using namespace cut_list_text;

namespace {

constexpr int kMostCueTracks = 99;

// The nearest CD frame, so that a time read back is never more than half a CD
// frame away.
std::int64_t cdFramesOf(std::int64_t frames, std::int32_t rate) {
    const std::int64_t perSecond = std::max(rate, 1);
    return (std::max<std::int64_t>(frames, 0) * kCdFramesPerSecond * 2 + perSecond) /
           (2 * perSecond);
}

std::string cueQuoted(const std::string& text) {
    return '"' + cueSafe(text) + '"';
}

// A value that is one word stays bare, as REM values usually are.
std::string cueWordOrQuoted(const std::string& text) {
    const std::string safe = cueSafe(text);
    return safe.find_first_of(" \t") == std::string::npos && !safe.empty() ? safe
                                                                           : '"' + safe + '"';
}

} // namespace

std::string cueSheetText(const CutList& rows, const std::string& sourceFileName,
                         std::int32_t samplesPerSecond, const AlbumInfo& album) {
    if (rows.size() > kMostCueTracks) {
        throw CutListError(0, "a cue sheet holds at most 99 tracks, and there are " +
                                  std::to_string(rows.size()));
    }
    std::string text;
    if (!album.year.empty()) {
        text += "REM DATE " + cueWordOrQuoted(album.year) + '\n';
    }
    if (!album.artist.empty()) {
        text += "PERFORMER " + cueQuoted(album.artist) + '\n';
    }
    if (!album.album.empty()) {
        text += "TITLE " + cueQuoted(album.album) + '\n';
    }
    // Whether the reader will name the rows "NN Title".
    const bool namesFromTitles = !text.empty();
    text += "FILE " + cueQuoted(sourceFileName) + " WAVE\n";
    std::int64_t previousStart = -1;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const CutRow& row = rows[i];
        const std::int64_t start = cdFramesOf(row.start, samplesPerSecond);
        if (start < previousStart) {
            throw CutListError(0, "a cue sheet needs the tracks in order of time, and \"" +
                                      row.name + "\" starts before the track above it");
        }
        char number[24];
        std::snprintf(number, sizeof number, "%02zu", i + 1);
        text += std::string("  TRACK ") + number + " AUDIO\n";
        const int trackNumber = static_cast<int>(i) + 1;
        const std::string title = cueSafe(trackTitle(album, trackNumber - 1, row.name));
        text += "    TITLE \"" + title + "\"\n";
        const std::string readName = namesFromTitles ? titledTrackName(trackNumber, title) : title;
        if (cueSafe(row.name) != readName) {
            text += "    REM NAME " + cueQuoted(row.name) + '\n';
        }
        if (i > 0) {
            // A pause between the rows: this track's pre-gap begins where the
            // row before ended.
            const std::int64_t previousEnd = cdFramesOf(rows[i - 1].end, samplesPerSecond);
            if (previousEnd > previousStart && previousEnd < start) {
                text += "    INDEX 00 " + cueTime(previousEnd) + '\n';
            }
        }
        text += "    INDEX 01 " + cueTime(start) + '\n';
        previousStart = start;
    }
    if (!rows.empty()) {
        // Without it the last track would run to the end of the file. A row
        // that ends before it starts (an empty part at the very end) ends at
        // its start.
        const std::int64_t end = cdFramesOf(rows.back().end, samplesPerSecond);
        text += "    REM SUNDRA_END " + cueTime(std::max(end, previousStart)) + '\n';
    }
    return text;
}

} // namespace sundra
