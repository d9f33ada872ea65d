#include "tests/support/generated_album.h"

#include <algorithm>
#include <cmath>

namespace sundra::test {

namespace {

class Noise {
public:
    explicit Noise(std::uint64_t seed) : state_(seed) {}
    // Uniform in [-1, 1).
    double next() {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state_ >> 11) * 0x1.0p-52 - 1.0;
    }

private:
    std::uint64_t state_;
};

std::int32_t framesOf(double seconds, const WaveFormat& format) {
    return static_cast<std::int32_t>(std::lround(seconds * format.samplesPerSecond));
}

} // namespace

Album writeAlbum(const std::string& path, const AlbumPlan& plan) {
    const WaveFormat& format = plan.format;
    Album album;
    std::vector<double> values; // one per frame
    std::int32_t at = framesOf(plan.leadIn, format);
    values.assign(static_cast<std::size_t>(at), 0.0);
    for (std::size_t i = 0; i < plan.songs.size(); ++i) {
        const SongPlan& song = plan.songs[i];
        const Stretch stretch{at, at + framesOf(song.seconds, format)};
        values.resize(static_cast<std::size_t>(stretch.end), 0.0);
        for (std::int32_t frame = stretch.start; frame < stretch.end; ++frame) {
            // 441 Hz at 44.1 kHz: 50 frames up, 50 down, so every block holds the peak.
            const std::int32_t phase = (frame - stretch.start) / 50 % 2;
            values[static_cast<std::size_t>(frame)] = phase == 0 ? song.level : -song.level;
        }
        for (const Passage& passage : song.passages) {
            const Stretch quiet{stretch.start + framesOf(passage.at, format),
                                stretch.start + framesOf(passage.at + passage.seconds, format)};
            for (std::int32_t frame = quiet.start; frame < quiet.end; ++frame) {
                const std::int32_t phase = (frame - quiet.start) / 50 % 2;
                values[static_cast<std::size_t>(frame)] =
                    phase == 0 ? passage.level : -passage.level;
            }
            album.passages.push_back(quiet);
        }
        album.songs.push_back(stretch);
        at = stretch.end;
        const double gap = i < plan.gaps.size() ? plan.gaps[i] : plan.leadOut;
        if (i + 1 < plan.songs.size())
            album.gaps.push_back({at, at + framesOf(gap, format)});
        at += framesOf(i + 1 < plan.songs.size() ? gap : plan.leadOut, format);
        values.resize(static_cast<std::size_t>(at), 0.0);
    }
    album.length = at;

    Noise noise(plan.seed);
    const std::int32_t bytes = format.bitsPerSample / 8;
    Bytes samples;
    samples.reserve(values.size() * static_cast<std::size_t>(bytes * format.channels));
    for (double value : values) {
        const double sample = value + plan.noise * noise.next();
        for (std::int32_t channel = 0; channel < format.channels; ++channel) {
            if (bytes == 1) {
                samples.push_back(static_cast<std::uint8_t>(
                    std::clamp(std::lround(128.0 + sample * 128.0), 0L, 255L)));
            } else {
                put16(samples, static_cast<std::uint16_t>(static_cast<std::int16_t>(
                                   std::clamp(std::lround(sample * 32768.0), -32768L, 32767L))));
            }
        }
    }
    writeBytes(path, canonicalWav(format, samples));
    return album;
}

} // namespace sundra::test
