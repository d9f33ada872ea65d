#include "core/sleeve_list.h"

#include <algorithm>
#include <cctype>

namespace sundra {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::string trimmed(const std::string& text) {
    auto begin = std::find_if_not(text.begin(), text.end(), isBlank);
    auto end =
        std::find_if_not(text.rbegin(), std::string::const_reverse_iterator(begin), isBlank).base();
    return std::string(begin, end);
}

// Dashes (ASCII, en and em) and the other marks that part a position, a title
// and a time, at either end of the title.
std::string withoutSeparators(std::string text) {
    static const std::string kMarks[] = {"\xE2\x80\x93", "\xE2\x80\x94", "-", ".", ":", "|"};
    for (bool again = true; again;) {
        again = false;
        text = trimmed(text);
        for (const std::string& mark : kMarks) {
            if (text.size() >= mark.size() && text.compare(0, mark.size(), mark) == 0) {
                text.erase(0, mark.size());
                again = true;
            }
            // A full stop may end a title ("Vol. 2", "etc."): only dashes and
            // bars are taken off the end.
            const bool endMark = mark != "." && mark != ":";
            if (endMark && text.size() >= mark.size() &&
                text.compare(text.size() - mark.size(), mark.size(), mark) == 0) {
                text.erase(text.size() - mark.size());
                again = true;
            }
        }
    }
    return text;
}

// "1", "01", "1.", "1)", "A1", "b2.": a track's place on a sleeve.
bool isPosition(const std::string& word) {
    std::size_t i = 0;
    if (i < word.size() && std::isalpha(static_cast<unsigned char>(word[i])))
        ++i;
    const std::size_t digits = i;
    while (i < word.size() && isDigit(word[i]))
        ++i;
    if (i == digits || i - digits > 3)
        return false;
    if (i < word.size() && (word[i] == '.' || word[i] == ')'))
        ++i;
    return i == word.size();
}

bool isHeading(const std::string& line) {
    std::string lower;
    for (char c : line)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const std::string word : {"side", "disc", "disk", "cd", "lp", "record"}) {
        if (lower.rfind(word, 0) != 0)
            continue;
        // "Side A", "Disc 2", "CD1", "Side B:", not "Sidewalk".
        const char next = lower.size() > word.size() ? lower[word.size()] : ' ';
        if (isBlank(next) || isDigit(next) || next == ':')
            return true;
    }
    return false;
}

} // namespace

std::optional<double> sleeveTime(const std::string& text) {
    std::vector<long> parts{0};
    std::vector<std::size_t> widths{0};
    for (char c : text) {
        if (c == ':') {
            parts.push_back(0);
            widths.push_back(0);
        } else if (isDigit(c) && widths.back() < 4) {
            parts.back() = parts.back() * 10 + (c - '0');
            ++widths.back();
        } else {
            return std::nullopt;
        }
    }
    if (parts.size() < 2 || parts.size() > 3 || widths.front() == 0)
        return std::nullopt;
    for (std::size_t i = 1; i < parts.size(); ++i)
        if (widths[i] != 2 || parts[i] > 59)
            return std::nullopt;
    if (parts.size() == 3 && widths.front() > 2)
        return std::nullopt;
    double seconds = 0;
    for (long part : parts)
        seconds = seconds * 60 + static_cast<double>(part);
    return seconds;
}

bool SleeveList::timed() const {
    return !tracks.empty() && std::all_of(tracks.begin(), tracks.end(), [](const SleeveTrack& t) {
        return t.seconds.has_value();
    });
}

std::vector<double> SleeveList::durations() const {
    std::vector<double> seconds;
    for (const SleeveTrack& track : tracks)
        seconds.push_back(track.seconds.value_or(0.0));
    return seconds;
}

std::vector<std::string> SleeveList::titles() const {
    std::vector<std::string> titles;
    for (const SleeveTrack& track : tracks)
        titles.push_back(track.title);
    return titles;
}

SleeveList parseSleeveList(const std::string& text) {
    SleeveList list;
    std::vector<int> untimed; // lines of tracks without a time
    std::vector<int> headings;
    int lineNumber = 0;
    std::size_t from = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (from <= text.size()) {
        std::size_t to = text.find('\n', from);
        if (to == std::string::npos)
            to = text.size();
        std::string line = trimmed(text.substr(from, to - from));
        from = to + 1;
        ++lineNumber;
        if (line.empty())
            continue;

        SleeveTrack track;
        // The time: the last word, perhaps in brackets.
        const std::size_t lastBlank = line.find_last_of(" \t");
        if (lastBlank != std::string::npos) {
            std::string word = line.substr(lastBlank + 1);
            if (word.size() >= 2 && ((word.front() == '(' && word.back() == ')') ||
                                     (word.front() == '[' && word.back() == ']')))
                word = word.substr(1, word.size() - 2);
            if (std::optional<double> seconds = sleeveTime(word)) {
                track.seconds = seconds;
                line = trimmed(line.substr(0, lastBlank));
            }
        }
        // The position: the first word, when a title follows it.
        const std::size_t firstBlank = line.find_first_of(" \t");
        if (firstBlank != std::string::npos && isPosition(line.substr(0, firstBlank))) {
            track.position = line.substr(0, firstBlank);
            line = line.substr(firstBlank + 1);
        }
        track.title = withoutSeparators(line);
        if (track.title.empty())
            throw CutListError(lineNumber, "a track needs a title");
        if (!track.seconds && track.position.empty() && isHeading(track.title)) {
            headings.push_back(lineNumber);
            list.tracks.push_back(track); // dropped below when the others are timed
            continue;
        }
        if (!track.seconds)
            untimed.push_back(lineNumber);
        list.tracks.push_back(track);
    }
    const std::size_t timed = list.tracks.size() - untimed.size() - headings.size();
    if (timed > 0) {
        if (!untimed.empty())
            throw CutListError(untimed.front(), "this track has no time while others have one");
        // Headings between timed tracks are no tracks.
        std::erase_if(list.tracks, [](const SleeveTrack& t) { return !t.seconds; });
    }
    return list;
}

} // namespace sundra
