// Label files: "start<TAB>end<TAB>name" in seconds, as audio editors' label
// tracks write them.

#include "core/cut_list.h"

#include "core/cut_list_text.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace sundra {

using namespace cut_list_text;

namespace {

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

} // namespace sundra
