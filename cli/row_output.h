#pragma once
// What split and cut do with the rows they have made: print the table, write
// them as a cue sheet or a label file, and export them as Save All does.

#include "cli/options.h"
#include "core/cut_list.h"
#include "core/track_segment.h"

#include <string>
#include <vector>

namespace sundra::cli {

// Prints the rows' table and, with --save (and --out), exports them as
// split --save does, tagged with listAlbum where the command line is silent.
// Returns the exit status.
int printAndSaveRows(const Options& options, const std::string& sourcePath,
                     const std::vector<std::string>& names, std::vector<TrackSegment>& rows,
                     const AlbumInfo& listAlbum = {});

CutList cutListOf(const std::vector<std::string>& names, const std::vector<TrackSegment>& rows);

// With --cue OUT.cue and --labels OUT.txt, writes the rows into those files;
// with --save, the cue sheet carries the album options and the rows the names
// the titles give them (a titles count that does not match stops before); the
// sheet's titles are those of listAlbum where the command line gives none.
void writeCutListFiles(const Options& options, const std::string& sourcePath,
                       const std::vector<std::string>& names, const std::vector<TrackSegment>& rows,
                       const AlbumInfo& listAlbum = {});

// The whole text of a file; throws naming the file when it cannot be read.
std::string readTextFile(const std::string& path);
// Writes text as the file's whole content; throws naming the file on failure.
void writeTextFile(const std::string& path, const std::string& text);

} // namespace sundra::cli
