// What the spectrum of a quiet stretch says: noise (white hiss, surface noise
// falling like pink noise) spreads over every frequency; a note, even one
// lying under hiss, or a soft roll whose power gathers low, does not.

#include "core/seeded_random.h"
#include "split/gap_spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace sundra {
namespace {

constexpr std::int32_t kRate = 44100;

// Two channels of 0.6 s, each sample from sound(channel, frame).
std::vector<double> stereo(const std::function<double(int, int)>& sound) {
    std::vector<double> levels;
    for (int frame = 0; frame < kRate * 6 / 10; ++frame)
        for (int channel = 0; channel < 2; ++channel)
            levels.push_back(sound(channel, frame));
    return levels;
}

TEST(SpectrumSpread, NoiseSpreadsOverEveryFrequencyMusicDoesNot) {
    SeededRandom random(5);
    auto white = [&](int, int) { return 0.01 * (random.unit() - 0.5); };
    // Pink: white noise through three one-pole filters (within half a dB of
    // pink above 10 Hz at 44.1 kHz).
    double bank[2][3] = {};
    auto pink = [&](int channel, int) {
        static constexpr double kPoles[] = {0.99765, 0.963, 0.57};
        static constexpr double kGains[] = {0.099046, 0.2965164, 1.0526913};
        const double input = random.unit() - 0.5;
        double sum = 0.1848 * input;
        for (int k = 0; k < 3; ++k) {
            bank[channel][k] = kPoles[k] * bank[channel][k] + kGains[k] * input;
            sum += bank[channel][k];
        }
        return 0.01 * sum;
    };
    // A note: its fundamental and two partials.
    auto note = [](int, int frame, double hertz) {
        double sum = 0.0;
        for (int partial = 1; partial <= 3; ++partial)
            sum += std::sin(2 * M_PI * hertz * partial * frame / kRate) / partial;
        return sum;
    };
    // A soft roll: noise through two low-passes at 400 Hz.
    double low[2][2] = {};
    auto roll = [&](int channel, int) {
        const double pole = std::exp(-2 * M_PI * 400.0 / kRate);
        low[channel][0] = pole * low[channel][0] + (1 - pole) * (random.unit() - 0.5);
        low[channel][1] = pole * low[channel][1] + (1 - pole) * low[channel][0];
        return low[channel][1];
    };
    struct Case {
        const char* name;
        std::function<double(int, int)> sound;
        bool noise;
    };
    const Case kCases[] = {
        {"white hiss", white, true},
        {"surface noise, falling like pink noise", pink, true},
        {"a note", [&](int c, int f) { return 0.01 * note(c, f, 440.0); }, false},
        {"a note 10 dB under the hiss",
         [&](int c, int f) { return white(c, f) + 0.0011 * note(c, f, 1234.0); }, false},
        {"a chord",
         [&](int c, int f) { return 0.01 * (note(c, f, 262) + note(c, f, 330) + note(c, f, 392)); },
         false},
        {"a soft roll, its power low", roll, false},
    };
    const std::int32_t size = spectrumWindowFrames(kRate);
    for (const Case& sound : kCases) {
        SCOPED_TRACE(sound.name);
        const SpectrumSpread spread =
            spectrumSpread(floorSpectrumDb(stereo(sound.sound), 2, size), kRate, size);
        EXPECT_EQ(spread.noise(), sound.noise)
            << "flatness " << spread.flatnessDb << " dB, partials " << spread.partialsDb << " dB";
    }
}

} // namespace
} // namespace sundra
