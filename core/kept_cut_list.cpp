#include "core/kept_cut_list.h"

#include <cstdio>
#include <filesystem>
#include <limits>
#include <system_error>

namespace sundra {

namespace {

const char kFirstLine[] = "# Sundra cut list";

// FNV-1a: stable across builds and platforms, unlike std::hash.
std::uint64_t fnv1a(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string headerOf(const SourceStamp& stamp) {
    return std::string(kFirstLine) + "\n# source\t" + stamp.path + "\n# size\t" +
           std::to_string(stamp.size) + "\n# modified\t" + std::to_string(stamp.modified) + '\n';
}

// One line per field: a line end inside a value would end it.
std::string fieldLine(const char* key, const std::string& value) {
    std::string line = std::string("# ") + key + '\t' + value;
    for (char& c : line) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return line + '\n';
}

std::string albumLines(const AlbumInfo& album) {
    std::string text;
    if (!album.album.empty()) {
        text += fieldLine("album", album.album);
    }
    if (!album.artist.empty()) {
        text += fieldLine("artist", album.artist);
    }
    if (!album.year.empty()) {
        text += fieldLine("year", album.year);
    }
    for (const std::string& title : album.titles) {
        text += fieldLine("title", title);
    }
    return text;
}

} // namespace

std::optional<SourceStamp> stampOf(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    if (error) {
        return std::nullopt;
    }
    SourceStamp stamp;
    stamp.path = absolute.lexically_normal().string();
    stamp.size = fs::file_size(absolute, error);
    if (error) {
        return std::nullopt;
    }
    const fs::file_time_type modified = fs::last_write_time(absolute, error);
    if (error) {
        return std::nullopt;
    }
    stamp.modified =
        std::chrono::duration_cast<std::chrono::nanoseconds>(modified.time_since_epoch()).count();
    return stamp;
}

std::string keptListFileName(const std::string& sourcePath) {
    char name[40];
    std::snprintf(name, sizeof name, "cuts-%016llx.txt",
                  static_cast<unsigned long long>(fnv1a(sourcePath)));
    return name;
}

std::string keptListText(const SourceStamp& stamp, const CutList& rows,
                         std::int32_t samplesPerSecond, const AlbumInfo& album) {
    return headerOf(stamp) + albumLines(album) + labelText(rows, samplesPerSecond);
}

std::optional<AlbumCutList> readKeptList(const std::string& text, const SourceStamp& stamp,
                                         const CutSource& source) {
    const std::string header = headerOf(stamp);
    if (text.compare(0, header.size(), header) != 0) {
        return std::nullopt;
    }
    AlbumCutList kept;
    std::string::size_type at = header.size();
    // The field lines, up to the first row; a field this program does not
    // know is passed over.
    while (at < text.size() && text[at] == '#') {
        std::string::size_type end = text.find('\n', at);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(at, end - at);
        const auto tab = line.find('\t');
        const std::string key = line.substr(0, tab);
        const std::string value = tab == std::string::npos ? std::string() : line.substr(tab + 1);
        if (key == "# album") {
            kept.album.album = value;
        } else if (key == "# artist") {
            kept.album.artist = value;
        } else if (key == "# year") {
            kept.album.year = value;
        } else if (key == "# title") {
            kept.album.titles.push_back(value);
        }
        at = end + 1;
    }
    try {
        // The rows as the program held them: a reversed row must come back as
        // it was. The stamp says the list was kept for this very file, so a
        // row that reaches past its end (the empty part of a split at the very
        // end, as lists of older versions hold it) is clamped, not refused.
        CutSource unbounded = source;
        unbounded.frames = std::numeric_limits<std::int32_t>::max();
        kept.rows = clampedToSource(parseLabels(at < text.size() ? text.substr(at) : std::string(),
                                                unbounded, LabelChecks::RangeOnly),
                                    source.frames);
    } catch (const CutListError&) {
        return std::nullopt;
    }
    return kept;
}

std::optional<CutList> parseKeptList(const std::string& text, const SourceStamp& stamp,
                                     const CutSource& source) {
    std::optional<AlbumCutList> kept = readKeptList(text, stamp, source);
    if (!kept) {
        return std::nullopt;
    }
    return std::move(kept->rows);
}

} // namespace sundra
