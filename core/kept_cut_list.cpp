#include "core/kept_cut_list.h"

#include <cstdio>
#include <filesystem>
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
                         std::int32_t samplesPerSecond) {
    return headerOf(stamp) + labelText(rows, samplesPerSecond);
}

std::optional<CutList> parseKeptList(const std::string& text, const SourceStamp& stamp,
                                     const CutSource& source) {
    const std::string header = headerOf(stamp);
    if (text.compare(0, header.size(), header) != 0) {
        return std::nullopt;
    }
    try {
        // The rows as the program held them: an empty part of a split at the
        // very end lies reversed, and must come back as it was.
        return parseLabels(text.substr(header.size()), source, LabelChecks::RangeOnly);
    } catch (const CutListError&) {
        return std::nullopt;
    }
}

} // namespace sundra
