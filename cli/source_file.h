#pragma once
// Opening the WAV file a command works on, as the window opens a document: a
// file whose header is refused is reported on standard error with the
// window's message and the reason on a line of its own.

#include "core/wave_file.h"

#include <memory>
#include <string>

namespace sundra::cli {

// The opened file, or null after telling why it cannot be opened. File errors
// (missing, locked, no regular file) are thrown as FileError.
std::unique_ptr<WaveFileReader> openSourceFile(const std::string& path);

} // namespace sundra::cli
