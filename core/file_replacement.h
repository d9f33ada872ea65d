#pragma once
// Replacing a small file's contents so that a crash, a kill or a full disk
// never leaves a part of it: the bytes go into a fresh file beside it, reach
// the disk, and are then renamed over it. Readers see the old contents or the
// new ones, never a mix. The folder is made when it is missing.

#include <string>

namespace sundra {

// Throws FileError naming path when the folder, the new file or the rename
// fails; the old contents then stay, and no temporary file is left.
void replaceFileContents(const std::string& path, const std::string& bytes);

} // namespace sundra
