#pragma once
// Albums that sound like transferred records, for the tests of the track
// detection: songs of decaying notes over a pad, with drums, fades, soft
// intros and quiet bridges, separated by gaps, over a floor of digital
// silence or of hiss, hum, rumble and crackle (clicks land in the gaps too).
// The generator reports where each song is audible: from the first to the
// last 10 ms in which the song alone is louder than the floor under it. The
// same plan gives the same bytes.

#include "core/wave_format.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sundra::test {

struct QuietStretch {
    double at;      // seconds from the song's start
    double seconds; // its length
    double db;      // its level below the song's body, in dB (negative)
};

struct RecordSong {
    double seconds = 30.0;
    double db = -16.0;                 // RMS of the song's body, dBFS
    double fadeIn = 0.0;               // seconds of fade-in at the start
    double fadeOut = 0.0;              // seconds of fade-out at the end
    QuietStretch intro{0, 0, 0};       // a soft intro (seconds 0: none)
    std::vector<QuietStretch> bridges; // quiet passages inside the song
    bool drums = true;
};

struct RecordNoise {
    double hissDb = -200.0;   // RMS of the hiss per channel, dBFS (-200: none)
    double humDb = -200.0;    // 50 Hz with its third harmonic
    double rumbleDb = -200.0; // below 20 Hz, with the swing of a warped record
    double clicksPerSecond = 0.0;
    double loudestClickDb = -6.0; // clicks reach up to this peak level
};

struct RecordPlan {
    WaveFormat format{2, 44100, 16};
    double leadIn = 2.0;
    double runOut = 2.0;
    std::vector<RecordSong> songs;
    std::vector<double> gaps; // seconds between song i and i + 1
    RecordNoise noise;
    double gainDb = 0.0; // applied to everything, the floor included
    std::uint64_t seed = 1;
    // Gaps made digital silence, floor and all (joins in a transfer), by index.
    std::vector<std::size_t> silentGaps;
    // The floor only between the songs, the songs clean (a compilation).
    bool floorInGapsOnly = false;
};

struct SongSpan {
    std::int32_t start = 0; // where the song begins and ends (its fades included)
    std::int32_t end = 0;
    std::int32_t audibleStart = 0; // the first and last 10 ms above the floor
    std::int32_t audibleEnd = 0;
};

struct RecordAlbum {
    std::vector<SongSpan> songs;
    std::int32_t rate = 44100; // frames a second
    std::int32_t length = 0;
    double floorDb = -200.0; // RMS of the steady floor (hiss, hum, rumble), dBFS
};

// Writes the album as a WAV file of plan.format (any sample shape) at path and
// says where the songs are.
RecordAlbum writeRecordAlbum(const std::string& path, const RecordPlan& plan);

// A side of songs like those of an LP, made short: n songs of 15 to 25 s with
// every kind of start and end, gaps of 0.7 to 4 s, soft intros, a quiet bridge
// longer than the shortest gap, a song with rests of silence and one whose
// soft passage sinks under a noisy floor, all drawn from seed.
RecordPlan recordSide(int songs, std::uint64_t seed);

// Floors of real transfers.
RecordNoise cleanFloor();    // digital silence
RecordNoise cassetteFloor(); // hiss at -52 dBFS and hum
RecordNoise needleFloor();   // hiss at -45, rumble and crackle, clicks in the gaps

} // namespace sundra::test
