#include "core/path_parts.h"

namespace sundra {

PathParts splitPath(const std::string& path) {
    PathParts parts;
    std::string rest = path;
    if (rest.size() >= 2 && rest[1] == ':') {
        parts.drive = rest.substr(0, 2);
        rest.erase(0, 2);
    }
    const std::size_t separator = rest.find_last_of("\\/");
    if (separator != std::string::npos) {
        parts.folder = rest.substr(0, separator + 1);
        rest.erase(0, separator + 1);
    }
    // Only a dot after the last separator starts an extension.
    const std::size_t dot = rest.rfind('.');
    if (dot != std::string::npos) {
        parts.extension = rest.substr(dot);
        rest.erase(dot);
    }
    parts.title = rest;
    return parts;
}

} // namespace sundra
