// Cue sheets and label files on disk for split and cut.

#include "cli/row_output.h"

#include "cli/export_options.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace sundra::cli {

CutList cutListOf(const std::vector<std::string>& names, const std::vector<TrackSegment>& rows) {
    CutList cuts;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        cuts.push_back({names[i], rows[i].absoluteStart(), rows[i].absoluteEnd()});
    }
    return cuts;
}

std::string readTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("can't read " + path + ": " + std::strerror(errno));
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        throw std::runtime_error("can't read " + path);
    }
    return text.str();
}

void writeTextFile(const std::string& path, const std::string& text) {
    // Into a neighbour first, so that a failed write leaves no cut-short list
    // under the name and an older list there stays whole.
    const std::string staged = path + ".part";
    {
        std::ofstream out(staged, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            std::remove(staged.c_str());
            throw std::runtime_error("can't write " + path);
        }
    }
    if (std::rename(staged.c_str(), path.c_str()) != 0) {
        const int error = errno;
        std::remove(staged.c_str());
        throw std::runtime_error("can't write " + path + ": " + std::strerror(error));
    }
}

void writeCutListFiles(const Options& options, const std::string& sourcePath,
                       const std::vector<std::string>& names, const std::vector<TrackSegment>& rows,
                       const AlbumInfo& listAlbum) {
    const CutList cuts = cutListOf(names, rows);
    ExportChoice exportChoice = readExportChoice(options);
    exportChoice.fillFrom(listAlbum);
    const std::vector<std::string> savedNames =
        options.has("save") ? exportChoice.trackNames(names) : names;
    const std::int32_t rate = rows.empty() ? 44100 : rows.front().format().samplesPerSecond;
    const auto slash = sourcePath.find_last_of('/');
    const std::string fileName =
        slash == std::string::npos ? sourcePath : sourcePath.substr(slash + 1);
    if (auto cue = options.value("cue")) {
        writeTextFile(
            *cue, cueSheetText(cutListOf(savedNames, rows), fileName, rate, exportChoice.album));
    }
    if (auto labels = options.value("labels")) {
        writeTextFile(*labels, labelText(cuts, rate));
    }
}

} // namespace sundra::cli
