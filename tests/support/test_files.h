#pragma once
// Helpers for tests that need files: a temporary folder removed with its
// contents, whole-file reads and writes, and WAV images built byte by byte so
// that a test states exactly which header it feeds the parser.

#include "core/wave_format.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace sundra::test {

using Bytes = std::vector<std::uint8_t>;

// Names of the files in a folder, sorted.
std::vector<std::string> entriesOf(const std::filesystem::path& folder);

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // Names of the files in the folder, sorted.
    std::vector<std::string> entries() const;

private:
    std::filesystem::path path_;
};

Bytes readBytes(const std::string& path);
// The first count bytes of a file (of a large sparse one, say).
Bytes readBytes(const std::string& path, std::size_t count);
void writeBytes(const std::string& path, const Bytes& bytes);

// Little-endian building blocks.
void putTag(Bytes& out, const char (&tag)[5]);
void put16(Bytes& out, std::uint16_t value);
void put32(Bytes& out, std::uint32_t value);
std::uint16_t get16(const Bytes& in, std::size_t offset);
std::uint32_t get32(const Bytes& in, std::size_t offset);

// A canonical 44-byte-header WAV image holding samples as they are. A format
// with fewer valid bits than its container gets them as its bits per sample,
// as plain PCM writers give 12- and 20-bit samples.
Bytes canonicalWav(const WaveFormat& format, const Bytes& samples);
// Interleaved 16-bit samples as little-endian bytes.
Bytes pcm16(const std::vector<std::int16_t>& samples);

// Writes a canonical WAV file of 16-bit frames: every frame holds `value` in
// every channel for the given number of frames, appended in runs.
struct Run {
    std::int32_t frames;
    std::int16_t value;
};
void writeRunsWav(const std::string& path, const WaveFormat& format, const std::vector<Run>& runs);

// Stereo 16-bit samples of songs and pauses: a part of n > 0 frames is a
// sawtooth from 1000 to 2999 on both channels (so every frame can be told from
// its neighbours), one of -n frames is n frames of silence.
Bytes sawtoothSongs(const std::vector<std::int32_t>& parts);

} // namespace sundra::test
