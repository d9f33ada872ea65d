#pragma once
// Cut lists: the rows of a track list as plain data (name, start and end in
// frames of the source file) and the two text layouts they travel in. Label
// files hold "start<TAB>end<TAB>name" per row in seconds with six decimals, as
// audio editors' label tracks do, which recovers every frame exactly at rates
// up to 192 kHz. Cue sheets name the source in one FILE line and give each row
// a TRACK with its TITLE and its start as INDEX 01 in 1/75 s, the nearest CD
// frame; a pause before a row is marked by that row's INDEX 00 at the end of
// the row before, and the last row's end by a "REM SUNDRA_END" line that other
// programs pass over.
//
// A cue sheet also carries the album information: the artist as PERFORMER and
// the album as TITLE above the tracks, the year as REM DATE, and each track's
// title as its TITLE. Such a sheet names its rows as the titles do ("NN Title");
// where a row's name is not what its title gives, the sheet keeps the name in
// the track's REM NAME, a comment that other programs pass over. The format
// has no escape for a quote inside a quoted text, so a '"' in any text of a
// sheet is written as an apostrophe; control characters become blanks. Label
// files have no place for the album information.
//
// The readers take the lists as other programs write them: lines ending in
// LF, CR LF or CR alone; in a cue sheet keywords in any case, values quoted or
// not, quotes inside a quoted title (it runs to the last quote of its line),
// one FILE line naming another file, and commands this program does not know,
// which are passed over with a warning. A label file of points (start = end)
// cuts the source at its points. Any other fault of a line throws
// CutListError naming the line; a bad list never yields part of its rows, and
// an empty one is refused too (importing it would only wipe the rows).

#include "core/album_info.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace sundra {

struct CutRow {
    std::string name;
    std::int32_t start = 0;
    std::int32_t end = 0;
    friend bool operator==(const CutRow&, const CutRow&) = default;
};
using CutList = std::vector<CutRow>;

// A list that cannot be read or written. line is the 1-based line of the text
// at fault, or 0 when the fault is the list as a whole; what() names it.
class CutListError : public std::runtime_error {
public:
    CutListError(int line, const std::string& reason);
    int line() const { return line_; }

private:
    int line_;
};

// The file a list is read against.
struct CutSource {
    std::string fileName; // the name without folder, as a cue sheet's FILE gives it
    std::string title;    // the name without folder and extension: rows without a name get title-NN
    std::int32_t samplesPerSecond = 44100;
    std::int32_t frames = 0; // the source's length
};

// Label files.
std::string labelText(const CutList& rows, std::int32_t samplesPerSecond);
// Seconds with six decimals for a frame count, rounded to the nearest microsecond.
std::string labelTime(std::int64_t frames, std::int32_t samplesPerSecond);
enum class LabelChecks {
    // A label file from anywhere: labels in order of time, none reversed or
    // overlapping. Labels that are all points cut the source at the points (a
    // row from the start to the first, from each to the next, and from the
    // last to the end; empty rows are left out); points among regions are
    // skipped with a warning.
    Strict,
    // The rows the program itself held, each as it was, as long as it lies in
    // the source.
    RangeOnly,
};
// What a list held that its rows leave out, one "line N: ..." text each.
using CutListWarnings = std::vector<std::string>;
CutList parseLabels(const std::string& text, const CutSource& source,
                    LabelChecks checks = LabelChecks::Strict, CutListWarnings* warnings = nullptr);

// The rows with every start and end moved into [0, frames]: the empty part of
// a split at the very end, [frames + 1, frames], becomes [frames, frames]. A
// reversed row within the source stays as it is.
CutList clampedToSource(CutList rows, std::int32_t frames);

// Rows with the album information that goes with them.
struct AlbumCutList {
    CutList rows;
    AlbumInfo album;
    friend bool operator==(const AlbumCutList&, const AlbumCutList&) = default;
};

// Cue sheets. Writing throws CutListError (line 0) for rows a sheet cannot hold:
// more than 99, or rows out of order of time. Without album information the
// sheet holds the FILE and the tracks only, each titled with its row's name.
std::string cueSheetText(const CutList& rows, const std::string& sourceFileName,
                         std::int32_t samplesPerSecond, const AlbumInfo& album = {});
// The rows and the album information of a sheet. A track's row is named by its
// REM NAME, else "NN Title" when the sheet has an artist, album or year, else
// by its title, else title-NN. The album's titles are the tracks' titles when
// every track has one and some row is named by its title; otherwise none.
// The last track runs to its REM SUNDRA_END, else to the end of the source.
AlbumCutList readCueSheet(const std::string& text, const CutSource& source,
                          CutListWarnings* warnings = nullptr);
// The rows alone.
CutList parseCueSheet(const std::string& text, const CutSource& source);

// The name, without its folder, of the file that a sheet's first FILE line
// names: the audio file that lies beside the sheet. Empty when no line names one.
std::string cueSheetFileName(const std::string& text);

// Whether a file name calls for the cue-sheet reader (".cue", any case) rather
// than the label reader.
bool isCueSheetName(const std::string& path);

} // namespace sundra
