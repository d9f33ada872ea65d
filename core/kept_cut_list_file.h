#pragma once
// The kept cut list of one open source file, on disk. It is made when the file
// opens (for a recording, once its header is final), and the source's stamp is
// taken then: whatever the list holds later was cut on that state of the file,
// so a file changed meanwhile by another program is never offered cuts made on
// its old contents. keep() may run after every change, on any thread: it
// replaces the list atomically, so a crash or a kill leaves the list of the
// last change or the one before it, never a part.

#include "core/cut_list.h"
#include "core/kept_cut_list.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace sundra {

// What a kept list holds: the rows with the album information, and the
// source's rate and length that place them.
struct KeptCuts {
    CutList rows;
    AlbumInfo album;
    std::int32_t samplesPerSecond = 44100;
    std::int32_t frames = 0;
};

class KeptCutListFile {
public:
    // The list of sourcePath in folder, with the source's stamp taken now;
    // nothing when the source cannot be stamped (gone, unreadable).
    static std::optional<KeptCutListFile> forSource(const std::string& folder,
                                                    const std::string& sourcePath);

    const SourceStamp& stamp() const { return stamp_; }
    // Where the list lies: folder + keptListFileName of the source.
    const std::string& path() const { return path_; }

    // The list kept for exactly this stamp, with at least one row (clamped into
    // source); nothing when there is none, it is damaged, or it was kept for
    // another state of the file.
    std::optional<AlbumCutList> read(const CutSource& source) const;

    // Writes cuts, each row clamped into the source. The cuts of the file as it
    // opens (one row over the whole file, named after its title, and no album
    // information) offer nothing, so their list is removed instead. Throws
    // FileError naming the list when it cannot be written or removed.
    void keep(const KeptCuts& cuts) const;

private:
    KeptCutListFile(SourceStamp stamp, std::string path)
        : stamp_(std::move(stamp)), path_(std::move(path)) {}

    SourceStamp stamp_;
    std::string path_;
};

} // namespace sundra
