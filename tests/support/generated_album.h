#pragma once
// Albums built sample by sample for the tests: songs of a square tone with
// quieter passages inside them, separated by gaps of digital silence or noise,
// every stretch placed at a known frame. The same plan gives the same bytes.

#include "core/wave_format.h"
#include "tests/support/test_files.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sundra::test {

struct Stretch {
    std::int32_t start = 0;
    std::int32_t end = 0;
    std::int32_t frames() const { return end - start; }
};

struct Passage {
    double at;      // seconds from the song's start
    double seconds; // its length
    double level;   // amplitude of its tone on a full scale of 1.0 (0: noise alone)
};

struct SongPlan {
    double seconds;
    double level;
    std::vector<Passage> passages;
};

struct AlbumPlan {
    WaveFormat format{2, 44100, 16};
    double leadIn = 0.0;  // seconds of gap before the first song
    double leadOut = 0.0; // and after the last
    std::vector<SongPlan> songs;
    std::vector<double> gaps; // seconds between song i and i + 1
    double noise = 0.0;       // amplitude of the noise under everything
    std::uint64_t seed = 1;
};

struct Album {
    std::vector<Stretch> songs;
    std::vector<Stretch> gaps; // between the songs, in order
    std::vector<Stretch> passages;
    std::int32_t length = 0;
};

// Writes the album as a canonical WAV file at path and says where everything is.
Album writeAlbum(const std::string& path, const AlbumPlan& plan);

} // namespace sundra::test
