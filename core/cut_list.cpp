#include "core/cut_list.h"

#include "core/cut_list_text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace sundra {

namespace {

std::string lineReason(int line, const std::string& reason) {
    return line > 0 ? "line " + std::to_string(line) + ": " + reason : reason;
}

} // namespace

CutListError::CutListError(int line, const std::string& reason)
    : std::runtime_error(lineReason(line, reason)), line_(line) {}

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

CutList clampedToSource(CutList rows, std::int32_t frames) {
    const std::int32_t last = std::max(frames, 0);
    for (CutRow& row : rows) {
        row.start = std::clamp(row.start, 0, last);
        row.end = std::clamp(row.end, 0, last);
    }
    return rows;
}

namespace cut_list_text {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type from = 0;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        from = 3;
    }
    while (from < text.size()) {
        // LF, CR LF, or CR alone as older Mac programs end their lines.
        std::string::size_type to = text.find_first_of("\r\n", from);
        if (to == std::string::npos) {
            to = text.size();
        }
        lines.push_back(text.substr(from, to - from));
        from = to + (text.compare(to, 2, "\r\n") == 0 ? 2 : 1);
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

std::string cueSafe(const std::string& text) {
    std::string out = withoutControls(text);
    std::replace(out.begin(), out.end(), '"', '\'');
    return out;
}

std::string cueTime(std::int64_t cdFrames) {
    char text[40];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld",
                  static_cast<long long>(cdFrames / (60 * kCdFramesPerSecond)),
                  static_cast<long long>(cdFrames / kCdFramesPerSecond % 60),
                  static_cast<long long>(cdFrames % kCdFramesPerSecond));
    return text;
}

} // namespace cut_list_text

} // namespace sundra
