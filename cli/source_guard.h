#pragma once
// The command line never writes over the file it reads. Every file a command
// writes is compared with its source before anything is written, by file
// identity (device and inode), so a symbolic link, a hard link or a path
// written another way is caught as surely as the source's own name. A clash
// throws a std::runtime_error that names both files; the command then ends
// with exit status 1.

#include "cli/options.h"
#include "core/album_info.h"

#include <string>
#include <vector>

namespace sundra::cli {

// Whether both paths name one existing file.
bool isSameFile(const std::string& a, const std::string& b);

// Throws when output is the source under this or another name.
void refuseWritingSource(const std::string& source, const std::string& output);

// The same for every track file that --save (with --out, the export options
// and the album information of a cut list) would write for these rows.
void refuseTrackFilesOverSource(const Options& options, const std::string& source,
                                const std::vector<std::string>& names,
                                const AlbumInfo& listAlbum = {});

} // namespace sundra::cli
