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
    const std::uint64_t rate =
        samplesPerSecond > 0 ? static_cast<std::uint64_t>(samplesPerSecond) : 1;
    // Unsigned, so that even the most negative count has a magnitude.
    const std::uint64_t magnitude =
        frames < 0 ? 0 - static_cast<std::uint64_t>(frames) : static_cast<std::uint64_t>(frames);
    // Whole seconds first and the microseconds of the rest, in integers: a
    // double would drift in the sixth decimal on long files, and the rest times
    // a million always fits where the whole count might not.
    std::uint64_t seconds = magnitude / rate;
    std::uint64_t micros = ((magnitude % rate) * 2000000 + rate) / (2 * rate);
    if (micros == 1000000) {
        ++seconds;
        micros = 0;
    }
    char text[48];
    std::snprintf(text, sizeof text, "%s%llu.%06llu", frames < 0 ? "-" : "",
                  static_cast<unsigned long long>(seconds),
                  static_cast<unsigned long long>(micros));
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

namespace {

struct Label {
    int line = 0;
    std::int64_t start = 0;
    std::int64_t end = 0;
    std::string name;
};

// Every label of the text with its times checked against the source.
std::vector<Label> labelsOf(const std::string& text, const CutSource& source) {
    std::vector<Label> labels;
    const std::vector<std::string> lines = linesOf(text);
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
        Label label;
        label.line = number;
        label.start = labelFrame(line.substr(0, firstTab), source.samplesPerSecond, number);
        label.end = labelFrame(endField, source.samplesPerSecond, number);
        for (std::int64_t frame : {label.start, label.end}) {
            if (frame > source.frames) {
                throw CutListError(number,
                                   "the time " + secondsText(frame, source.samplesPerSecond) +
                                       " lies past the end of the file (" +
                                       secondsText(source.frames, source.samplesPerSecond) + ")");
            }
        }
        if (secondTab != std::string::npos) {
            label.name = withoutControls(line.substr(secondTab + 1));
        }
        labels.push_back(std::move(label));
    }
    if (labels.empty()) {
        throw CutListError(0, "the file holds no label");
    }
    return labels;
}

void addRow(CutList& rows, std::string name, std::int64_t start, std::int64_t end,
            const CutSource& source) {
    if (name.empty()) {
        name = numberedName(source.title, rows.size());
    }
    rows.push_back(
        {std::move(name), static_cast<std::int32_t>(start), static_cast<std::int32_t>(end)});
}

void checkOrder(const Label& label, const Label* previous) {
    if (label.start > label.end) {
        throw CutListError(label.line, "the label ends before it starts");
    }
    if (previous && label.start < previous->end) {
        throw CutListError(label.line, "the label overlaps the label on line " +
                                           std::to_string(previous->line) + " or comes before it");
    }
}

// Points cut the source: each row runs from one point (named by its label) to
// the next, the first from the start of the source.
CutList rowsBetweenPoints(const std::vector<Label>& points, const CutSource& source) {
    CutList rows;
    std::int64_t from = 0;
    std::string name;
    for (std::size_t i = 0; i <= points.size(); ++i) {
        const std::int64_t to = i < points.size() ? points[i].start : source.frames;
        if (i < points.size()) {
            checkOrder(points[i], i > 0 ? &points[i - 1] : nullptr);
        }
        if (to > from) {
            addRow(rows, name, from, to, source);
        }
        if (i < points.size()) {
            from = to;
            name = points[i].name;
        }
    }
    if (rows.empty()) {
        throw CutListError(0, "the points cut out no track");
    }
    return rows;
}

} // namespace

CutList parseLabels(const std::string& text, const CutSource& source, LabelChecks checks,
                    CutListWarnings* warnings) {
    const std::vector<Label> labels = labelsOf(text, source);
    CutList rows;
    if (checks == LabelChecks::RangeOnly) {
        for (const Label& label : labels) {
            addRow(rows, label.name, label.start, label.end, source);
        }
        return rows;
    }
    const auto isPoint = [](const Label& label) { return label.start == label.end; };
    if (std::all_of(labels.begin(), labels.end(), isPoint)) {
        return rowsBetweenPoints(labels, source);
    }
    const Label* previous = nullptr;
    for (const Label& label : labels) {
        if (isPoint(label)) {
            if (warnings) {
                warnings->push_back("line " + std::to_string(label.line) + ": the point at " +
                                    secondsText(label.start, source.samplesPerSecond) +
                                    " is not a track among the regions, and was skipped");
            }
            continue;
        }
        checkOrder(label, previous);
        addRow(rows, label.name, label.start, label.end, source);
        previous = &label;
    }
    return rows;
}

} // namespace sundra
