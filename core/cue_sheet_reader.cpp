// Reading cue sheets as this program and others write them.

#include "core/cut_list.h"

#include "core/cut_list_text.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace sundra {

using namespace cut_list_text;

namespace {

std::string upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

bool allDigits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(),
                                        [](unsigned char c) { return std::isdigit(c) != 0; });
}

// A line as its keyword (in upper case) and the rest of the line after it.
struct CueLine {
    std::string keyword;
    std::string rest;
};

CueLine splitCueLine(const std::string& line) {
    const std::string text = trimmed(line);
    const auto blank = text.find_first_of(" \t");
    if (blank == std::string::npos) {
        return {upper(text), {}};
    }
    return {upper(text.substr(0, blank)), trimmed(text.substr(blank))};
}

std::vector<std::string> wordsOf(const std::string& text) {
    std::vector<std::string> words;
    std::string::size_type at = 0;
    while ((at = text.find_first_not_of(" \t", at)) != std::string::npos) {
        const auto stop = text.find_first_of(" \t", at);
        words.push_back(text.substr(at, stop == std::string::npos ? std::string::npos : stop - at));
        at = stop;
    }
    return words;
}

// A text value: in quotes, from the first quote to the last one of the line, so
// that quotes inside stay part of it; without quotes, the rest of the line.
std::string textValue(const std::string& rest, int line) {
    if (rest.empty() || rest.front() != '"') {
        return withoutControls(rest);
    }
    const auto close = rest.rfind('"');
    if (close == 0) {
        throw CutListError(line, "the line cannot be read: a quote is not closed");
    }
    return withoutControls(rest.substr(1, close - 1));
}

// The file of a FILE line without its folder; the last word of an unquoted
// value is the file's type.
std::string fileNameOf(const std::string& rest, int line) {
    std::string path;
    if (!rest.empty() && rest.front() == '"') {
        path = textValue(rest, line);
    } else {
        const auto blank = rest.find_last_of(" \t");
        path = blank == std::string::npos ? rest : trimmed(rest.substr(0, blank));
    }
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string withoutExtension(const std::string& fileName) {
    const auto dot = fileName.rfind('.');
    return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

// "mm:ss:ff" as a count of 1/75 s: digits only, so no sign and no blank.
std::optional<std::int64_t> parseCueTime(const std::string& text) {
    std::vector<std::string> fields;
    std::string::size_type from = 0;
    while (true) {
        const auto colon = text.find(':', from);
        fields.push_back(text.substr(from, colon == std::string::npos ? colon : colon - from));
        if (colon == std::string::npos) {
            break;
        }
        from = colon + 1;
    }
    // At most six digits of minutes: the numbers then always fit.
    if (fields.size() != 3 || fields[0].size() > 6 || fields[1].size() > 2 ||
        fields[2].size() > 2 || !allDigits(fields[0]) || !allDigits(fields[1]) ||
        !allDigits(fields[2])) {
        return std::nullopt;
    }
    const std::int64_t seconds = std::stoll(fields[1]);
    const std::int64_t frames = std::stoll(fields[2]);
    if (seconds > 59 || frames >= kCdFramesPerSecond) {
        return std::nullopt;
    }
    return (std::stoll(fields[0]) * 60 + seconds) * kCdFramesPerSecond + frames;
}

struct CueTrack {
    int line = 0;
    std::string title;
    std::string name;                  // REM NAME
    std::optional<std::int64_t> pause; // INDEX 00, in frames of the source
    std::optional<std::int64_t> start; // INDEX 01
    std::optional<std::int64_t> end;   // REM SUNDRA_END
    int endLine = 0;
};

// One sheet being read, line by line.
class CueReader {
public:
    CueReader(const CutSource& source, int fileLines, CutListWarnings* warnings)
        : source_(source), fileLines_(fileLines), warnings_(warnings) {}

    void read(const std::string& text, int number);
    AlbumCutList result() const;

private:
    void readFile(const std::string& rest, int number);
    void readTrack(const std::string& rest, int number);
    void readIndex(const std::string& rest, int number);
    void readRemark(const std::string& rest, int number);
    std::int64_t timeOf(const std::string& text, int number) const;
    void warn(int number, const std::string& text) const {
        if (warnings_) {
            warnings_->push_back("line " + std::to_string(number) + ": " + text);
        }
    }

    const CutSource& source_;
    int fileLines_;
    CutListWarnings* warnings_;
    std::vector<CueTrack> tracks_;
    AlbumInfo album_;
    bool haveFile_ = false;
};

void CueReader::read(const std::string& text, int number) {
    const CueLine line = splitCueLine(text);
    const std::string& keyword = line.keyword;
    if (keyword == "REM") {
        readRemark(line.rest, number);
    } else if (keyword == "FILE") {
        readFile(line.rest, number);
    } else if (keyword == "TRACK") {
        readTrack(line.rest, number);
    } else if (keyword == "INDEX") {
        readIndex(line.rest, number);
    } else if (keyword == "TITLE") {
        // A title before the first track is the album's.
        (tracks_.empty() ? album_.album : tracks_.back().title) = textValue(line.rest, number);
    } else if (keyword == "PERFORMER") {
        const std::string performer = textValue(line.rest, number);
        if (tracks_.empty()) {
            album_.artist = performer;
        }
    } else if (keyword == "CATALOG" || keyword == "CDTEXTFILE" || keyword == "SONGWRITER" ||
               keyword == "ISRC" || keyword == "FLAGS" || keyword == "PREGAP" ||
               keyword == "POSTGAP") {
        // Commands of the format that say nothing about where tracks lie.
    } else {
        warn(number, "'" + keyword + "' is not a cue sheet command, and was skipped");
    }
}

void CueReader::readRemark(const std::string& rest, int number) {
    const auto blank = rest.find_first_of(" \t");
    if (blank == std::string::npos) {
        return;
    }
    const std::string what = upper(rest.substr(0, blank));
    const std::string value = trimmed(rest.substr(blank));
    if (what == "DATE" && tracks_.empty()) {
        album_.year = textValue(value, number);
    } else if (what == "NAME" && !tracks_.empty()) {
        tracks_.back().name = textValue(value, number);
    } else if (what == "SUNDRA_END" && !tracks_.empty()) {
        tracks_.back().end = timeOf(value, number);
        tracks_.back().endLine = number;
    }
    // Any other remark is a comment.
}

void CueReader::readFile(const std::string& rest, int number) {
    const std::string named = fileNameOf(rest, number);
    if (named.empty()) {
        throw CutListError(number, "FILE names no file");
    }
    const bool sameName = named == source_.fileName || named == cueSafe(source_.fileName);
    // The same recording in another format, as a sheet made for the CD
    // image or the FLAC file of it names it.
    const bool sameTitle = withoutExtension(named) == source_.title ||
                           withoutExtension(named) == cueSafe(source_.title);
    if (fileLines_ > 1 && !sameName && !sameTitle) {
        // The tracks of several files cannot lie in one.
        throw CutListError(number,
                           "the sheet is for \"" + named + "\", not for " + source_.fileName);
    }
    if (!sameName && !sameTitle) {
        warn(number,
             "the sheet names \"" + named + "\"; its times were read for " + source_.fileName);
    }
    haveFile_ = true;
}

void CueReader::readTrack(const std::string& rest, int number) {
    if (!haveFile_) {
        throw CutListError(number, "TRACK comes before any FILE");
    }
    const std::vector<std::string> words = wordsOf(rest);
    if (words.size() < 2 || upper(words[1]) != "AUDIO") {
        throw CutListError(number, "only AUDIO tracks can be read");
    }
    tracks_.push_back({});
    tracks_.back().line = number;
}

void CueReader::readIndex(const std::string& rest, int number) {
    if (tracks_.empty()) {
        throw CutListError(number, "INDEX comes before any TRACK");
    }
    const std::vector<std::string> words = wordsOf(rest);
    if (words.size() != 2) {
        throw CutListError(number, "INDEX needs a number and a time");
    }
    if (!allDigits(words[0]) || words[0].size() > 2) {
        throw CutListError(number, "'" + words[0] + "' is not an index number");
    }
    const int which = std::stoi(words[0]);
    CueTrack& track = tracks_.back();
    const std::int64_t frame = timeOf(words[1], number);
    const std::int64_t floor = tracks_.size() > 1 && tracks_[tracks_.size() - 2].start
                                   ? *tracks_[tracks_.size() - 2].start
                                   : 0;
    if (which == 0) {
        if (frame < floor) {
            throw CutListError(number, "the pause starts before the track above it");
        }
        track.pause = frame;
    } else if (which == 1) {
        if (frame < floor) {
            throw CutListError(number, "the track starts before the track above it");
        }
        if (track.pause && frame < *track.pause) {
            throw CutListError(number, "the track starts before its pause (INDEX 00)");
        }
        track.start = frame;
    }
    // Further indexes mark points inside a track; they do not cut it.
}

// A time of the sheet as a frame of the source. A sheet counts in 1/75 s, so a
// time less than that past the end of the source is its end.
std::int64_t CueReader::timeOf(const std::string& text, int number) const {
    const std::optional<std::int64_t> time = parseCueTime(text);
    if (!time) {
        throw CutListError(number, "'" + text + "' is not a time mm:ss:ff");
    }
    const std::int64_t rate = source_.samplesPerSecond;
    // In two parts, so that no product leaves 64 bits whatever the rate.
    const std::int64_t frame =
        *time / kCdFramesPerSecond * rate + *time % kCdFramesPerSecond * rate / kCdFramesPerSecond;
    if (frame <= source_.frames) {
        return frame;
    }
    if (frame - source_.frames < (rate + kCdFramesPerSecond - 1) / kCdFramesPerSecond) {
        return source_.frames;
    }
    throw CutListError(number, "the time " + secondsText(frame, source_.samplesPerSecond) +
                                   " lies past the end of the file (" +
                                   secondsText(source_.frames, source_.samplesPerSecond) + ")");
}

AlbumCutList CueReader::result() const {
    if (tracks_.empty()) {
        throw CutListError(0, "the sheet holds no track");
    }
    const bool namesFromTitles =
        !album_.album.empty() || !album_.artist.empty() || !album_.year.empty();
    AlbumCutList out;
    out.album = album_;
    bool everyTitle = true;
    bool someNamedByTitle = false;
    for (std::size_t i = 0; i < tracks_.size(); ++i) {
        const CueTrack& track = tracks_[i];
        const int trackNumber = static_cast<int>(i) + 1;
        if (!track.start) {
            throw CutListError(track.line, "the track has no INDEX 01");
        }
        std::int64_t end = source_.frames;
        if (i + 1 < tracks_.size()) {
            const CueTrack& next = tracks_[i + 1];
            if (next.pause) {
                end = *next.pause;
            } else if (next.start) {
                end = *next.start;
            }
            if (end < *track.start) {
                throw CutListError(next.line, "the track starts before the track above it");
            }
        }
        if (track.end) {
            if (*track.end < *track.start) {
                throw CutListError(track.endLine, "the track ends before it starts");
            }
            end = std::min(end, *track.end);
        }
        std::string name = track.name;
        if (name.empty()) {
            name = track.title.empty() ? numberedName(source_.title, i)
                   : namesFromTitles   ? titledTrackName(trackNumber, track.title)
                                       : track.title;
        }
        everyTitle = everyTitle && !track.title.empty();
        someNamedByTitle = someNamedByTitle || (!track.title.empty() &&
                                                name == titledTrackName(trackNumber, track.title));
        out.rows.push_back({std::move(name), static_cast<std::int32_t>(*track.start),
                            static_cast<std::int32_t>(end)});
    }
    if (everyTitle && someNamedByTitle) {
        for (const CueTrack& track : tracks_) {
            out.album.titles.push_back(track.title);
        }
    }
    return out;
}

} // namespace

CutList parseCueSheet(const std::string& text, const CutSource& source) {
    return readCueSheet(text, source).rows;
}

std::string cueSheetFileName(const std::string& text) {
    for (const std::string& raw : linesOf(text)) {
        const CueLine line = splitCueLine(raw);
        if (line.keyword == "FILE") {
            try {
                return fileNameOf(line.rest, 0);
            } catch (const CutListError&) {
                return {}; // a quote that is not closed names no file
            }
        }
    }
    return {};
}

AlbumCutList readCueSheet(const std::string& text, const CutSource& source,
                          CutListWarnings* warnings) {
    const std::vector<std::string> lines = linesOf(text);
    // Whether the sheet names one file or several decides how its FILE lines
    // are taken, so they are counted first.
    const auto fileLines = std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
        return splitCueLine(line).keyword == "FILE";
    });
    CueReader reader(source, static_cast<int>(fileLines), warnings);
    for (std::size_t index = 0; index < lines.size(); ++index) {
        if (!isBlank(lines[index])) {
            reader.read(lines[index], static_cast<int>(index) + 1);
        }
    }
    return reader.result();
}

} // namespace sundra
