#include "core/kept_cut_list_file.h"

#include "core/file.h"
#include "core/file_replacement.h"
#include "core/path_parts.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

namespace sundra {

std::optional<KeptCutListFile> KeptCutListFile::forSource(const std::string& folder,
                                                          const std::string& sourcePath) {
    std::optional<SourceStamp> stamp = stampOf(sourcePath);
    if (!stamp) {
        return std::nullopt;
    }
    std::string path = (std::filesystem::path(folder) / keptListFileName(stamp->path)).string();
    return KeptCutListFile(std::move(*stamp), std::move(path));
}

std::optional<AlbumCutList> KeptCutListFile::read(const CutSource& source) const {
    std::ifstream in(path_, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::optional<AlbumCutList> kept = readKeptList(text, stamp_, source);
    if (!kept || kept->rows.empty()) {
        return std::nullopt;
    }
    return kept;
}

void KeptCutListFile::keep(const KeptCuts& cuts) const {
    const CutList rows = clampedToSource(cuts.rows, cuts.frames);
    const CutList whole = {{fileTitle(stamp_.path), 0, cuts.frames}};
    if (rows == whole && cuts.album.empty()) {
        if (::unlink(path_.c_str()) != 0 && errno != ENOENT) {
            throw FileError(FileError::causeFromErrno(errno), path_);
        }
        return;
    }
    replaceFileContents(path_, keptListText(stamp_, rows, cuts.samplesPerSecond, cuts.album));
}

} // namespace sundra
