#include "core/cut_list.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace sundra {

namespace {

constexpr std::int64_t kCdFramesPerSecond = 75;
constexpr int kMostCueTracks = 99;

std::string lineReason(int line, const std::string& reason) {
    return line > 0 ? "line " + std::to_string(line) + ": " + reason : reason;
}

// The text's lines without their line ends (LF or CR LF) and without a leading
// byte-order mark.
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type from = 0;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        from = 3;
    }
    while (from < text.size()) {
        std::string::size_type to = text.find('\n', from);
        if (to == std::string::npos) {
            to = text.size();
        }
        std::string line = text.substr(from, to - from);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        from = to + 1;
    }
    return lines;
}

bool isBlank(const std::string& line) {
    return std::all_of(line.begin(), line.end(),
                       [](unsigned char c) { return std::isspace(c) != 0; });
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// Control characters (tabs, line ends) would break a line of either layout.
std::string withoutControls(const std::string& name) {
    std::string out = name;
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            c = ' ';
        }
    }
    return out;
}

std::string numberedName(const std::string& title, std::size_t index) {
    char number[24];
    std::snprintf(number, sizeof number, "-%02zu", index);
    return title + number;
}

std::string secondsText(std::int64_t frames, std::int32_t rate) {
    return labelTime(frames, rate) + " s";
}

// One label time: a plain decimal number of seconds, as the frame nearest to it.
std::int64_t labelFrame(const std::string& field, std::int32_t rate, int line) {
    const std::string text = trimmed(field);
    const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' ||
               c == 'e' || c == 'E';
    });
    errno = 0;
    char* end = nullptr;
    const double seconds = plain ? std::strtod(text.c_str(), &end) : 0.0;
    if (!plain || *end != '\0' || errno == ERANGE || !std::isfinite(seconds)) {
        throw CutListError(line, "'" + text + "' is not a time in seconds");
    }
    if (seconds < 0) {
        throw CutListError(line, "the time " + text + " lies before the start of the file");
    }
    const double frame = std::round(seconds * rate);
    // Far past any file; the caller reports it as past the end.
    return frame > 9e15 ? static_cast<std::int64_t>(9e15) : static_cast<std::int64_t>(frame);
}

} // namespace

CutListError::CutListError(int line, const std::string& reason)
    : std::runtime_error(lineReason(line, reason)), line_(line) {}

std::string labelTime(std::int64_t frames, std::int32_t samplesPerSecond) {
    const std::int64_t rate = samplesPerSecond > 0 ? samplesPerSecond : 1;
    const std::int64_t sign = frames < 0 ? -1 : 1;
    const std::int64_t magnitude = frames * sign;
    // Integer arithmetic: a double would drift in the sixth decimal on long files.
    const std::int64_t micros = (magnitude * 2000000 + rate) / (2 * rate);
    char text[48];
    std::snprintf(text, sizeof text, "%s%lld.%06lld", sign < 0 ? "-" : "",
                  static_cast<long long>(micros / 1000000),
                  static_cast<long long>(micros % 1000000));
    return text;
}

std::string labelText(const CutList& rows, std::int32_t samplesPerSecond) {
    std::string text;
    for (const CutRow& row : rows) {
        text += labelTime(row.start, samplesPerSecond) + '\t' +
                labelTime(row.end, samplesPerSecond) + '\t' + withoutControls(row.name) + '\n';
    }
    return text;
}

CutList parseLabels(const std::string& text, const CutSource& source, LabelChecks checks) {
    CutList rows;
    const std::vector<std::string> lines = linesOf(text);
    int previousLine = 0;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const std::string& line = lines[index];
        const int number = static_cast<int>(index) + 1;
        // Blank lines, and the frequency lines that spectral labels add below
        // their time line.
        if (isBlank(line) || line.front() == '\\') {
            continue;
        }
        const auto firstTab = line.find('\t');
        if (firstTab == std::string::npos) {
            throw CutListError(number, "a label needs a start and an end separated by a tab");
        }
        const auto secondTab = line.find('\t', firstTab + 1);
        const std::string endField =
            line.substr(firstTab + 1, secondTab == std::string::npos ? std::string::npos
                                                                     : secondTab - firstTab - 1);
        const std::int64_t start =
            labelFrame(line.substr(0, firstTab), source.samplesPerSecond, number);
        const std::int64_t end = labelFrame(endField, source.samplesPerSecond, number);
        for (std::int64_t frame : {start, end}) {
            if (frame > source.frames) {
                throw CutListError(number,
                                   "the time " + secondsText(frame, source.samplesPerSecond) +
                                       " lies past the end of the file (" +
                                       secondsText(source.frames, source.samplesPerSecond) + ")");
            }
        }
        if (checks == LabelChecks::Strict) {
            if (start > end) {
                throw CutListError(number, "the label ends before it starts");
            }
            if (!rows.empty() && start < rows.back().end) {
                throw CutListError(number, "the label overlaps the label on line " +
                                               std::to_string(previousLine) +
                                               " or comes before it");
            }
        }
        std::string name =
            secondTab == std::string::npos ? std::string() : line.substr(secondTab + 1);
        if (name.empty()) {
            name = numberedName(source.title, rows.size());
        }
        rows.push_back({withoutControls(name), static_cast<std::int32_t>(start),
                        static_cast<std::int32_t>(end)});
        previousLine = number;
    }
    if (rows.empty()) {
        throw CutListError(0, "the file holds no label");
    }
    return rows;
}

namespace {

// A cue sheet quotes its texts; a quote inside one cannot be escaped in a way
// that every reader understands, so it becomes an apostrophe.
std::string cueSafe(const std::string& text) {
    std::string out = withoutControls(text);
    std::replace(out.begin(), out.end(), '"', '\'');
    return out;
}

std::string cueQuoted(const std::string& text) {
    return '"' + cueSafe(text) + '"';
}

std::string cueTime(std::int64_t cdFrames) {
    char text[40];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld",
                  static_cast<long long>(cdFrames / (60 * kCdFramesPerSecond)),
                  static_cast<long long>(cdFrames / kCdFramesPerSecond % 60),
                  static_cast<long long>(cdFrames % kCdFramesPerSecond));
    return text;
}

std::int64_t cdFramesOf(std::int64_t frames, std::int32_t rate) {
    return std::max<std::int64_t>(frames, 0) * kCdFramesPerSecond / std::max(rate, 1);
}

// Splits a cue line into its keyword and its values; a quoted value may hold
// blanks.
struct CueLine {
    std::string keyword;
    std::vector<std::string> values;
};

std::optional<CueLine> splitCueLine(const std::string& line) {
    CueLine out;
    std::size_t at = 0;
    std::vector<std::string> words;
    while (true) {
        at = line.find_first_not_of(" \t", at);
        if (at == std::string::npos) {
            break;
        }
        if (line[at] == '"') {
            const auto close = line.find('"', at + 1);
            if (close == std::string::npos) {
                return std::nullopt;
            }
            words.push_back(line.substr(at + 1, close - at - 1));
            at = close + 1;
        } else {
            const auto stop = line.find_first_of(" \t", at);
            words.push_back(
                line.substr(at, stop == std::string::npos ? std::string::npos : stop - at));
            at = stop;
        }
        if (at == std::string::npos) {
            break;
        }
    }
    if (words.empty()) {
        return std::nullopt;
    }
    out.keyword = words.front();
    for (char& c : out.keyword) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    out.values.assign(words.begin() + 1, words.end());
    return out;
}

// "mm:ss:ff" as a count of 1/75 s.
std::optional<std::int64_t> parseCueTime(const std::string& text) {
    int minutes = 0;
    int seconds = 0;
    int frames = 0;
    char tail = 0;
    // At most six digits of minutes: the numbers then always fit.
    if (text.size() > 12) {
        return std::nullopt;
    }
    if (std::sscanf(text.c_str(), "%d:%d:%d%c", &minutes, &seconds, &frames, &tail) != 3 ||
        minutes < 0 || seconds < 0 || seconds > 59 || frames < 0 || frames > 74) {
        return std::nullopt;
    }
    return (static_cast<std::int64_t>(minutes) * 60 + seconds) * kCdFramesPerSecond + frames;
}

std::string baseName(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A value that is one word stays bare, as REM values usually are.
std::string cueWordOrQuoted(const std::string& text) {
    const std::string safe = cueSafe(text);
    return safe.find_first_of(" \t") == std::string::npos && !safe.empty() ? safe
                                                                           : '"' + safe + '"';
}

std::string joined(const std::vector<std::string>& words, std::size_t from) {
    std::string out;
    for (std::size_t i = from; i < words.size(); ++i) {
        out += (i > from ? " " : "") + words[i];
    }
    return out;
}

std::string upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

struct CueTrack {
    int line = 0;
    std::string title;
    std::string name;                  // REM NAME
    std::optional<std::int64_t> pause; // INDEX 00, in frames of the source
    std::optional<std::int64_t> start; // INDEX 01
};

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
    return text;
}

CutList parseCueSheet(const std::string& text, const CutSource& source) {
    return readCueSheet(text, source).rows;
}

AlbumCutList readCueSheet(const std::string& text, const CutSource& source) {
    const std::vector<std::string> lines = linesOf(text);
    std::vector<CueTrack> tracks;
    AlbumInfo album;
    bool haveFile = false;
    auto toFrames = [&source](std::int64_t cdFrames, int line) {
        const std::int64_t frame = cdFrames * source.samplesPerSecond / kCdFramesPerSecond;
        if (frame > source.frames) {
            throw CutListError(line, "the time " + secondsText(frame, source.samplesPerSecond) +
                                         " lies past the end of the file (" +
                                         secondsText(source.frames, source.samplesPerSecond) + ")");
        }
        return frame;
    };
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const int number = static_cast<int>(index) + 1;
        if (isBlank(lines[index])) {
            continue;
        }
        const std::optional<CueLine> line = splitCueLine(lines[index]);
        if (!line) {
            throw CutListError(number, "the line cannot be read");
        }
        const std::string& keyword = line->keyword;
        const std::string value =
            line->values.empty() ? std::string() : withoutControls(line->values.front());
        if (keyword == "REM" && line->values.size() > 1) {
            const std::string what = upper(line->values.front());
            if (what == "DATE" && tracks.empty()) {
                album.year = withoutControls(joined(line->values, 1));
            } else if (what == "NAME" && !tracks.empty()) {
                tracks.back().name = withoutControls(joined(line->values, 1));
            }
            continue;
        }
        if (keyword == "PERFORMER" && tracks.empty()) {
            album.artist = value;
            continue;
        }
        if (keyword == "REM" || keyword == "CATALOG" || keyword == "CDTEXTFILE" ||
            keyword == "PERFORMER" || keyword == "SONGWRITER" || keyword == "ISRC" ||
            keyword == "FLAGS" || keyword == "PREGAP" || keyword == "POSTGAP") {
            continue;
        }
        if (keyword == "FILE") {
            if (line->values.empty()) {
                throw CutListError(number, "FILE names no file");
            }
            const std::string named = baseName(line->values.front());
            if (named != source.fileName && named != cueSafe(source.fileName)) {
                throw CutListError(number, "the sheet is for \"" + named + "\", not for " +
                                               source.fileName);
            }
            haveFile = true;
        } else if (keyword == "TRACK") {
            if (!haveFile) {
                throw CutListError(number, "TRACK comes before any FILE");
            }
            if (line->values.size() < 2 || line->values[1] != "AUDIO") {
                throw CutListError(number, "only AUDIO tracks can be read");
            }
            tracks.push_back({number, {}, {}, {}, {}});
        } else if (keyword == "TITLE") {
            // A title before the first track is the album's.
            (tracks.empty() ? album.album : tracks.back().title) = value;
        } else if (keyword == "INDEX") {
            if (tracks.empty()) {
                throw CutListError(number, "INDEX comes before any TRACK");
            }
            if (line->values.size() < 2) {
                throw CutListError(number, "INDEX needs a number and a time");
            }
            const std::optional<std::int64_t> time = parseCueTime(line->values[1]);
            if (!time) {
                throw CutListError(number, "'" + line->values[1] + "' is not a time mm:ss:ff");
            }
            const std::string& which = line->values[0];
            CueTrack& track = tracks.back();
            const std::int64_t frame = toFrames(*time, number);
            const std::int64_t floor = tracks.size() > 1 && tracks[tracks.size() - 2].start
                                           ? *tracks[tracks.size() - 2].start
                                           : 0;
            if (which == "00" || which == "0") {
                if (frame < floor) {
                    throw CutListError(number, "the pause starts before the track above it");
                }
                track.pause = frame;
            } else if (which == "01" || which == "1") {
                if (frame < floor) {
                    throw CutListError(number, "the track starts before the track above it");
                }
                if (track.pause && frame < *track.pause) {
                    throw CutListError(number, "the track starts before its pause (INDEX 00)");
                }
                track.start = frame;
            }
            // Further indexes mark points inside a track; they do not cut it.
        } else {
            throw CutListError(number, "'" + keyword + "' is not a cue sheet command");
        }
    }
    if (tracks.empty()) {
        throw CutListError(0, "the sheet holds no track");
    }
    const bool namesFromTitles =
        !album.album.empty() || !album.artist.empty() || !album.year.empty();
    CutList rows;
    bool everyTitle = true;
    bool someNamedByTitle = false;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const CueTrack& track = tracks[i];
        const int trackNumber = static_cast<int>(i) + 1;
        if (!track.start) {
            throw CutListError(track.line, "the track has no INDEX 01");
        }
        std::int64_t end = source.frames;
        if (i + 1 < tracks.size()) {
            const CueTrack& next = tracks[i + 1];
            if (next.pause) {
                end = *next.pause;
            } else if (next.start) {
                end = *next.start;
            }
        }
        if (end < *track.start) {
            throw CutListError(tracks[i + 1].line, "the track starts before the track above it");
        }
        std::string name = track.name;
        if (name.empty()) {
            name = track.title.empty() ? numberedName(source.title, i)
                   : namesFromTitles   ? titledTrackName(trackNumber, track.title)
                                       : track.title;
        }
        everyTitle = everyTitle && !track.title.empty();
        someNamedByTitle = someNamedByTitle || (!track.title.empty() &&
                                                name == titledTrackName(trackNumber, track.title));
        rows.push_back({std::move(name), static_cast<std::int32_t>(*track.start),
                        static_cast<std::int32_t>(end)});
    }
    if (everyTitle && someNamedByTitle) {
        for (const CueTrack& track : tracks) {
            album.titles.push_back(track.title);
        }
    }
    return {std::move(rows), std::move(album)};
}

std::string cueSheetFileName(const std::string& text) {
    for (const std::string& raw : linesOf(text)) {
        const std::optional<CueLine> line = splitCueLine(raw);
        if (line && line->keyword == "FILE" && !line->values.empty()) {
            return baseName(line->values.front());
        }
    }
    return {};
}

bool isCueSheetName(const std::string& path) {
    if (path.size() < 4) {
        return false;
    }
    std::string extension = path.substr(path.size() - 4);
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension == ".cue";
}

} // namespace sundra
