#pragma once
// File names of tracks: the one rule that turns the rows' names of an export
// into the names of its files. A row's name may come from anywhere (a rename,
// Track Info, a cue sheet, a label file, the kept cut list), so it is made a
// name that stays inside the output folder and that the drives tracks are
// copied to (FAT, exFAT and NTFS: USB sticks, phones) accept:
//   - / and \ become "-", a double quote an apostrophe, < > : | ? * become "_",
//     control characters (a pasted tab) blanks;
//   - no leading dot (no hidden file, no way up a folder), no trailing dot or
//     blank;
//   - never empty: an empty name becomes the file title and the row's number
//     ("take-03"), as an unnamed row is called;
//   - at most 255 bytes with the extension, cut between UTF-8 characters;
//   - names that clash (in any case of ASCII letters, as those drives compare
//     them) get " (2)", " (3)" ... in row order.
// A name that needs none of this stays exactly as it is.

#include <string>
#include <vector>

namespace sundra {

// The most bytes a file name may have on the file systems tracks go to.
constexpr std::size_t kMostFileNameBytes = 255;

// The file names without the extension, one per row name, in row order.
// fileTitle names the unnamed rows; extension (dot included) counts towards the
// length.
std::vector<std::string> trackFileStems(const std::vector<std::string>& rowNames,
                                        const std::string& extension, const std::string& fileTitle);

} // namespace sundra
