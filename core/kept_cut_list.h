#pragma once
// The cut list kept for a source file between runs. When an edited document is
// closed its rows are written, in the label-file layout under a short header,
// into a folder of the user's data; the file's name comes from the source's
// path. Opening the same file again (the same path, size and modification
// time) offers those rows back; a file that changed meanwhile offers nothing.
// The album information typed for the file is kept with the rows, one
// "# album", "# artist", "# year" or "# title" line per field below the
// header; lists kept before those lines existed read as lists without them.

#include "core/cut_list.h"

#include <cstdint>
#include <optional>
#include <string>

namespace sundra {

// What identifies one state of a source file.
struct SourceStamp {
    std::string path; // absolute
    std::uint64_t size = 0;
    std::int64_t modified = 0; // modification time in nanoseconds of the file clock
    friend bool operator==(const SourceStamp&, const SourceStamp&) = default;
};

// The stamp of the file at path, or nothing when it cannot be read.
std::optional<SourceStamp> stampOf(const std::string& path);

// The file name (without folder) under which the list of sourcePath is kept.
std::string keptListFileName(const std::string& sourcePath);

std::string keptListText(const SourceStamp& stamp, const CutList& rows,
                         std::int32_t samplesPerSecond, const AlbumInfo& album = {});
// The rows and the album information, when text is the list kept for exactly
// this stamp; otherwise nothing. Rows are clamped into the source.
std::optional<AlbumCutList> readKeptList(const std::string& text, const SourceStamp& stamp,
                                         const CutSource& source);
// The rows alone.
std::optional<CutList> parseKeptList(const std::string& text, const SourceStamp& stamp,
                                     const CutSource& source);

} // namespace sundra
