#pragma once
// Runs the outside readers (ffmpeg, ffprobe, sox, mediainfo, metaflac) that
// check what we write, and collects what they print.

#include <string>

namespace sundra::test {

// The shell word for text, quoted.
std::string shellQuoted(const std::string& text);
// Runs command through the shell; returns its standard output. Throws when it
// cannot be started or does not exit with 0.
std::string outputOf(const std::string& command);
// The interleaved samples ffmpeg decodes from path, as raw bytes of sampleFormat
// ("s16le", "s24le", "s32le", "u8").
std::string decodedSamples(const std::string& path, const std::string& sampleFormat);
// "NAME=value" lines with the names in capitals, so that tags compare alike
// whatever case a format stores them in.
std::string withCapitalNames(const std::string& lines);

} // namespace sundra::test
