#include "cli/source_guard.h"

#include "cli/export_options.h"
#include "split/save_all.h"

#include <stdexcept>

#include <sys/stat.h>

namespace sundra::cli {

bool isSameFile(const std::string& a, const std::string& b) {
    struct stat first = {};
    struct stat second = {};
    // stat follows links: a link to the source is the source. A path that
    // names nothing yet is no file of anybody's.
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

void refuseWritingSource(const std::string& source, const std::string& output) {
    if (isSameFile(source, output))
        throw std::runtime_error(output + " is the source file " + source +
                                 " (under this or another name); nothing was written");
}

void refuseTrackFilesOverSource(const Options& options, const std::string& source,
                                const std::vector<std::string>& names, const AlbumInfo& listAlbum) {
    if (!options.has("save"))
        return;
    ExportChoice choice = readExportChoice(options);
    choice.fillFrom(listAlbum);
    const ExportPathPattern pattern =
        exportPathPattern(source, options.value("out"), choice.settings.format);
    for (const std::string& path : pattern.pathsFor(choice.trackNames(names)))
        refuseWritingSource(source, path);
}

} // namespace sundra::cli
