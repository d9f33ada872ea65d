#pragma once
// Splitting a path into drive, folder, title and extension the way export names
// are formed: drive is "X:" when the second character is a colon; folder runs
// up to and including the last \ or /; extension is from the last dot after
// that to the end (dot included); title is the rest.

#include <string>

namespace sundra {

struct PathParts {
    std::string drive;
    std::string folder;
    std::string title;
    std::string extension;
};

PathParts splitPath(const std::string& path);

// The file name without folder and extension (the "file title").
inline std::string fileTitle(const std::string& path) { return splitPath(path).title; }

} // namespace sundra
