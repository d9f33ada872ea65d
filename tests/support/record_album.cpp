#include "tests/support/record_album.h"

#include "core/sample_shape.h"
#include "core/seeded_random.h"
#include "tests/support/test_files.h"
#include "tests/support/wav_sources.h"

#include <algorithm>
#include <cmath>

namespace sundra::test {

namespace {

constexpr double kTwoPi = 6.283185307179586;

double amplitudeOf(double db) {
    return db <= -199.0 ? 0.0 : std::pow(10.0, db / 20.0);
}

std::int32_t framesOf(double seconds, std::int32_t rate) {
    return static_cast<std::int32_t>(std::lround(seconds * rate));
}

// A sine by rotation: cheap enough for minutes of notes.
class Oscillator {
public:
    Oscillator(double hertz, std::int32_t rate)
        : c_(std::cos(kTwoPi * hertz / rate)), s_(std::sin(kTwoPi * hertz / rate)) {}
    double next() {
        const double x = x_ * c_ - y_ * s_;
        y_ = x_ * s_ + y_ * c_;
        x_ = x;
        return y_;
    }

private:
    double c_, s_;
    double x_ = 1.0, y_ = 0.0;
};

// Roughly normal, unit variance.
double gaussian(SeededRandom& random) {
    return (random.unit() + random.unit() + random.unit() + random.unit() - 2.0) * 1.7320508;
}

struct Note {
    std::int32_t start;
    std::int32_t frames;
    double hertz;
    double decay; // per frame
    double pan;
    double amplitude;
};

// The song's gain at second t: soft intro, bridges, fades.
double songGain(const RecordSong& song, double t) {
    auto ramp = [](const QuietStretch& quiet, double t, double edge) {
        // Full depth inside, edge-second ramps in dB outside it.
        double depth = 0.0;
        if (t >= quiet.at && t < quiet.at + quiet.seconds)
            depth = 1.0;
        else if (t >= quiet.at - edge && t < quiet.at)
            depth = (t - (quiet.at - edge)) / edge;
        else if (t >= quiet.at + quiet.seconds && t < quiet.at + quiet.seconds + edge)
            depth = 1.0 - (t - quiet.at - quiet.seconds) / edge;
        return quiet.db * depth;
    };
    double db = 0.0;
    if (song.intro.seconds > 0.0)
        db += t < song.intro.seconds ? song.intro.db
                                     : ramp({0, song.intro.seconds, song.intro.db}, t, 1.0);
    for (const QuietStretch& bridge : song.bridges)
        db += ramp(bridge, t, 0.3);
    double gain = std::pow(10.0, db / 20.0);
    if (song.fadeIn > 0.0 && t < song.fadeIn)
        gain *= (t / song.fadeIn) * (t / song.fadeIn);
    const double left = song.seconds - t;
    if (song.fadeOut > 0.0 && left < song.fadeOut)
        gain *= (left / song.fadeOut) * (left / song.fadeOut);
    return gain;
}

// The song, interleaved stereo, its body at song.db.
std::vector<float> synthesize(const RecordSong& song, std::int32_t rate, SeededRandom& random) {
    const std::int32_t frames = framesOf(song.seconds, rate);
    std::vector<double> mix(std::size_t(frames) * 2, 0.0);
    static constexpr double kScale[] = {1.0, 9.0 / 8, 5.0 / 4, 3.0 / 2, 5.0 / 3, 2.0};
    const double root = 110.0 * std::pow(2.0, static_cast<double>(random.between(0, 11)) / 12.0);
    const double beat = 0.25 + 0.25 * random.unit();

    std::vector<Note> notes;
    for (double t = 0.0; t < song.seconds; t += beat) {
        if (random.unit() < 0.2)
            continue;
        const double hertz = root * kScale[random.between(0, 5)] * (random.unit() < 0.5 ? 1 : 2);
        const double seconds = 0.15 + 0.55 * random.unit();
        notes.push_back({framesOf(t, rate), framesOf(seconds * 6.0, rate), hertz,
                         std::exp(-1.0 / (seconds * rate)), 0.2 + 0.6 * random.unit(),
                         0.6 + 0.4 * random.unit()});
    }
    for (const Note& note : notes) {
        Oscillator first(note.hertz, rate);
        Oscillator second(note.hertz * 2.0, rate);
        double envelope = note.amplitude;
        const std::int32_t attack = rate / 200;
        for (std::int32_t i = 0; i < note.frames && note.start + i < frames; ++i) {
            const double value =
                envelope * std::min(1.0, double(i) / attack) * (first.next() + 0.4 * second.next());
            envelope *= note.decay;
            const std::size_t at = std::size_t(note.start + i) * 2;
            mix[at] += value * (1.0 - note.pan);
            mix[at + 1] += value * note.pan;
        }
    }
    // A pad under the notes, its fifth in opposite phase on the two channels.
    Oscillator low(root, rate), fifth(root * 3 / 2, rate), swell(0.2, rate);
    for (std::int32_t i = 0; i < frames; ++i) {
        const double level = 0.25 * (0.85 + 0.15 * swell.next());
        const double a = low.next() * level, b = fifth.next() * level;
        mix[std::size_t(i) * 2] += a + b;
        mix[std::size_t(i) * 2 + 1] += a - b;
    }
    if (song.drums) {
        for (double t = 0.0; t < song.seconds; t += 2 * beat) {
            const std::int32_t kick = framesOf(t, rate);
            const std::int32_t snare = framesOf(t + beat, rate);
            Oscillator thump(55.0, rate);
            for (std::int32_t i = 0; i < rate / 5 && kick + i < frames; ++i) {
                const double v = 1.2 * std::exp(-i / (0.08 * rate)) * thump.next();
                mix[std::size_t(kick + i) * 2] += v;
                mix[std::size_t(kick + i) * 2 + 1] += v;
            }
            for (std::int32_t i = 0; i < rate / 8 && snare + i < frames; ++i) {
                const double v = 0.5 * std::exp(-i / (0.04 * rate));
                mix[std::size_t(snare + i) * 2] += v * gaussian(random);
                mix[std::size_t(snare + i) * 2 + 1] += v * gaussian(random);
            }
        }
    }
    double energy = 0.0;
    for (double v : mix)
        energy += v * v;
    const double rms = std::sqrt(energy / std::max<double>(1.0, double(mix.size())));
    const double scale = rms > 0.0 ? amplitudeOf(song.db) / rms : 0.0;
    std::vector<float> out(mix.size());
    for (std::int32_t i = 0; i < frames; ++i) {
        // Quiet parts keep their notes but lose the drums' share of the level.
        const double gain = scale * songGain(song, double(i) / rate);
        out[std::size_t(i) * 2] = static_cast<float>(mix[std::size_t(i) * 2] * gain);
        out[std::size_t(i) * 2 + 1] = static_cast<float>(mix[std::size_t(i) * 2 + 1] * gain);
    }
    return out;
}

// Adds the floor to the album where `laid` says; returns its steady power per
// channel.
template <typename Laid>
double addFloor(std::vector<float>& album, const RecordNoise& noise, std::int32_t rate,
                SeededRandom& random, Laid laid) {
    const std::size_t frames = album.size() / 2;
    const double hiss = amplitudeOf(noise.hissDb);
    const double hum = amplitudeOf(noise.humDb) / std::sqrt(0.5 * 1.25);
    Oscillator fifty(50.0, rate), hundredFifty(150.0, rate), warp(0.55, rate);
    // Rumble: noise through two one-pole low-passes at 12 Hz, plus the warp.
    const double pole = std::exp(-kTwoPi * 12.0 / rate);
    double stage1 = 0.0, stage2 = 0.0;
    std::vector<float> rumble(noise.rumbleDb > -199.0 ? frames : 0);
    double rumbleEnergy = 0.0;
    for (std::size_t i = 0; i < rumble.size(); ++i) {
        stage1 = pole * stage1 + (1.0 - pole) * gaussian(random);
        stage2 = pole * stage2 + (1.0 - pole) * stage1;
        rumble[i] = static_cast<float>(stage2 * 40.0 + 0.02 * warp.next());
        rumbleEnergy += double(rumble[i]) * rumble[i];
    }
    const double rumbleScale =
        rumbleEnergy > 0.0 ? amplitudeOf(noise.rumbleDb) / std::sqrt(rumbleEnergy / frames) : 0.0;
    for (std::size_t i = 0; i < frames; ++i) {
        double common = hum * (fifty.next() + 0.5 * hundredFifty.next());
        if (!rumble.empty())
            common += rumbleScale * rumble[i];
        const double left = hiss > 0.0 ? hiss * gaussian(random) : 0.0;
        const double right = hiss > 0.0 ? hiss * gaussian(random) : 0.0;
        if (!laid(i))
            continue;
        album[2 * i] += static_cast<float>(common + left);
        album[2 * i + 1] += static_cast<float>(common * 0.9 + right);
    }
    if (noise.clicksPerSecond > 0.0) {
        double t = 0.0;
        for (;;) {
            t += -std::log(1.0 - random.unit()) / noise.clicksPerSecond;
            const std::size_t at = static_cast<std::size_t>(t * rate);
            if (at + 16 >= frames)
                break;
            const double peak = amplitudeOf(noise.loudestClickDb - 30.0 * random.unit()) *
                                (random.unit() < 0.5 ? -1.0 : 1.0);
            const double left = 0.5 + 0.5 * random.unit(), right = 0.5 + 0.5 * random.unit();
            if (!laid(at))
                continue;
            double value = peak;
            for (std::size_t i = 0; i < 16; ++i, value *= -0.55) {
                album[2 * (at + i)] += static_cast<float>(value * left);
                album[2 * (at + i) + 1] += static_cast<float>(value * right);
            }
        }
    }
    return hiss * hiss + std::pow(amplitudeOf(noise.humDb), 2) +
           std::pow(amplitudeOf(noise.rumbleDb), 2);
}

// The first and last 10 ms window of the song louder than the floor.
void findAudible(const std::vector<float>& song, std::int32_t rate, double floorPower,
                 SongSpan& span) {
    const std::int32_t window = rate / 100;
    const std::int32_t frames = static_cast<std::int32_t>(song.size() / 2);
    bool found = false;
    for (std::int32_t first = 0; first < frames; first += window) {
        double energy = 0.0;
        const std::int32_t last = std::min(frames, first + window);
        for (std::int32_t i = first; i < last; ++i)
            energy += double(song[2 * std::size_t(i)]) * song[2 * std::size_t(i)] +
                      double(song[2 * std::size_t(i) + 1]) * song[2 * std::size_t(i) + 1];
        if (energy / (2.0 * (last - first)) <= floorPower)
            continue;
        if (!found)
            span.audibleStart = span.start + first;
        span.audibleEnd = span.start + last;
        found = true;
    }
}

} // namespace

RecordAlbum writeRecordAlbum(const std::string& path, const RecordPlan& plan) {
    const std::int32_t rate = plan.format.samplesPerSecond;
    SeededRandom random(plan.seed);
    RecordAlbum album;
    album.rate = rate;
    std::vector<std::vector<float>> songs;
    std::int32_t at = framesOf(plan.leadIn, rate);
    for (std::size_t i = 0; i < plan.songs.size(); ++i) {
        songs.push_back(synthesize(plan.songs[i], rate, random));
        const std::int32_t frames = static_cast<std::int32_t>(songs.back().size() / 2);
        album.songs.push_back({at, at + frames, at, at + frames});
        at += frames + framesOf(i + 1 < plan.songs.size() ? plan.gaps.at(i) : plan.runOut, rate);
    }
    album.length = at;
    std::vector<float> mix(std::size_t(at) * 2, 0.0f);
    for (std::size_t i = 0; i < songs.size(); ++i)
        std::copy(songs[i].begin(), songs[i].end(),
                  mix.begin() + std::ptrdiff_t(album.songs[i].start) * 2);
    // Between the songs, or everywhere.
    auto between = [&](std::size_t frame) {
        if (!plan.floorInGapsOnly)
            return true;
        for (const SongSpan& song : album.songs)
            if (std::int64_t(frame) >= song.start && std::int64_t(frame) < song.end)
                return false;
        return true;
    };
    const double floorPower = addFloor(mix, plan.noise, rate, random, between);
    for (std::size_t gap : plan.silentGaps)
        std::fill(mix.begin() + std::ptrdiff_t(album.songs.at(gap).end) * 2,
                  mix.begin() + std::ptrdiff_t(album.songs.at(gap + 1).start) * 2, 0.0f);
    // With no floor, a song is audible where a 16-bit step would be.
    const double audibleAbove = floorPower > 0.0 ? floorPower : 0x1.0p-30;
    for (std::size_t i = 0; i < songs.size(); ++i)
        findAudible(songs[i], rate, audibleAbove, album.songs[i]);
    album.floorDb = floorPower > 0.0 ? 10.0 * std::log10(floorPower) + plan.gainDb : -200.0;

    const double gain = amplitudeOf(plan.gainDb);
    const SampleShape* shape = sampleShape(plan.format);
    const auto bytes = static_cast<std::size_t>(plan.format.bitsPerSample / 8);
    Bytes samples(std::size_t(at) * std::size_t(plan.format.channels) * bytes);
    std::uint8_t* sample = samples.data();
    for (std::int32_t frame = 0; frame < at; ++frame)
        for (std::int32_t channel = 0; channel < plan.format.channels; ++channel, sample += bytes)
            shape->store(mix[std::size_t(frame) * 2 + std::size_t(channel % 2)] * gain, sample);
    writeBytes(path, riffFile({formatChunk(plan.format), riffChunk("data", samples)}));
    return album;
}

RecordPlan recordSide(int songs, std::uint64_t seed) {
    SeededRandom random(seed);
    RecordPlan plan;
    plan.seed = seed;
    plan.leadIn = 3.0;
    plan.runOut = 3.0;
    for (int i = 0; i < songs; ++i) {
        RecordSong song;
        song.seconds = 15.0 + 10.0 * random.unit();
        song.db = -12.0 - 10.0 * random.unit();
        switch (i % 3) { // starts: cold, faded in, a soft intro
        case 0:
            song.fadeIn = 0.02;
            break;
        case 1:
            song.fadeIn = 1.0 + 2.0 * random.unit();
            break;
        default:
            song.intro = {0.0, 3.0 + 2.0 * random.unit(), -20.0};
            song.fadeIn = 0.3;
        }
        switch (i % 4) { // ends: a long fade, a cold stop, a ring-out, a short fade
        case 0:
            song.fadeOut = 4.0 + 4.0 * random.unit();
            break;
        case 1:
            song.fadeOut = 0.05;
            break;
        case 2:
            song.fadeOut = 2.0;
            break;
        default:
            song.fadeOut = 1.0;
        }
        if (i == 1) // a quiet bridge longer than the shortest gap
            song.bridges.push_back({song.seconds / 2 - 1.5, 3.0, -20.0});
        else if (i == 3) // rests of silence, shorter than any gap
            for (double at = 4.0; at + 4.0 < song.seconds; at += 3.0)
                song.bridges.push_back({at, 0.05, -120.0});
        else if (i == 4) // a soft passage that sinks under a noisy floor for 2 s
            song.bridges.push_back({song.seconds / 2 - 1.0, 2.0, -36.0});
        else if (random.unit() < 0.5)
            song.bridges.push_back(
                {song.seconds / 2, 1.0 + random.unit(), -14.0 - 6.0 * random.unit()});
        song.drums = i % 5 != 4;
        plan.songs.push_back(song);
        // The third gap is the shortest a record has.
        if (i + 1 < songs)
            plan.gaps.push_back(i == 2 ? 0.7 : 0.8 + 3.2 * random.unit());
    }
    return plan;
}

RecordNoise cleanFloor() {
    return {};
}

RecordNoise cassetteFloor() {
    RecordNoise noise;
    noise.hissDb = -52.0;
    noise.humDb = -60.0;
    return noise;
}

RecordNoise needleFloor() {
    RecordNoise noise;
    noise.hissDb = -45.0;
    noise.rumbleDb = -48.0;
    noise.humDb = -66.0;
    noise.clicksPerSecond = 12.0;
    noise.loudestClickDb = -3.0;
    return noise;
}

} // namespace sundra::test
