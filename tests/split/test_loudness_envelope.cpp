// The loudness envelope against its plain definition, on every sample shape:
// each 10 ms window's energy about the mean of each 5 ms half, channel by
// channel, averaged over the channels; however the frames arrive in blocks.
// And the running curves the detection reads it through, against brute force.

#include "core/sample_shape.h"
#include "core/seeded_random.h"
#include "split/level_curves.h"
#include "split/loudness_envelope.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace sundra {
namespace {

// The definition, over levels[frame][channel].
std::vector<double> plainEnvelope(const std::vector<std::vector<double>>& levels,
                                  std::int32_t window) {
    std::vector<double> power;
    const auto frames = static_cast<std::int32_t>(levels.size());
    const auto channels = static_cast<std::int32_t>(levels.front().size());
    for (std::int32_t start = 0; start < frames; start += window) {
        const std::int32_t end = std::min(frames, start + window);
        const std::int32_t middle = std::min(end, start + window - window / 2);
        double energy = 0.0;
        for (auto [from, to] : {std::pair{start, middle}, std::pair{middle, end}}) {
            for (std::int32_t c = 0; c < channels && to > from; ++c) {
                double sum = 0.0;
                for (std::int32_t f = from; f < to; ++f)
                    sum += levels[std::size_t(f)][std::size_t(c)];
                const double mean = sum / (to - from);
                for (std::int32_t f = from; f < to; ++f)
                    energy += std::pow(levels[std::size_t(f)][std::size_t(c)] - mean, 2);
            }
        }
        power.push_back(energy / (double(end - start) * channels));
    }
    return power;
}

TEST(LoudnessEnvelope, IsTheEnergyAboutEachHalfWindowsMeanOnEveryShape) {
    struct Case {
        WaveFormat format;
        double offset; // a DC offset under the noise, which must drop out
    };
    const Case cases[] = {
        {{2, 44100, 16}, 0.0},
        {{2, 44100, 16}, 0.25},
        {{1, 48000, 16}, -0.1},
        {{3, 8000, 16}, 0.0},
        {{2, 96000, 24}, 0.1},
        {{2, 44100, 32}, 0.0},
        {{1, 22050, 8}, 0.2},
        {{2, 44100, 32, SampleEncoding::Float}, 0.3},
        {{2, 44100, 64, SampleEncoding::Float}, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << sampleFormatName(c.format) << " " << c.format.channels
                                          << " ch at " << c.format.samplesPerSecond);
        const SampleShape* shape = sampleShape(c.format);
        const std::int32_t frames = c.format.samplesPerSecond / 10 + 77; // a short last window
        const std::int32_t frameBytes = frameSize(c.format);
        std::vector<std::uint8_t> bytes(std::size_t(frames) * std::size_t(frameBytes));
        std::vector<std::vector<double>> levels(static_cast<std::size_t>(frames));
        SeededRandom random(42);
        for (std::int32_t f = 0; f < frames; ++f) {
            for (std::int32_t ch = 0; ch < c.format.channels; ++ch) {
                // Loud and soft stretches, one channel the other's opposite.
                const double loud = (f / 500) % 2 == 0 ? 0.5 : 0.01;
                const double value =
                    c.offset + (ch == 1 ? -1.0 : 1.0) * loud * (2.0 * random.unit() - 1.0);
                std::uint8_t* at = bytes.data() + std::size_t(f) * frameBytes +
                                   std::size_t(ch) * (c.format.bitsPerSample / 8);
                shape->store(value, at);
                levels[std::size_t(f)].push_back(shape->level(at));
            }
        }
        const std::vector<double> expected = plainEnvelope(levels, envelopeWindowFrames(c.format));
        // In one piece, and in pieces that cut windows and vector steps apart.
        for (std::int32_t piece : {frames, 1, 3, 1000}) {
            EnvelopeBuilder builder(c.format);
            for (std::int32_t f = 0; f < frames; f += piece)
                builder.add(bytes.data() + std::size_t(f) * frameBytes,
                            std::min(piece, frames - f));
            const LoudnessEnvelope envelope = builder.finish();
            EXPECT_EQ(envelope.length, frames);
            ASSERT_EQ(envelope.power.size(), expected.size()) << "pieces of " << piece;
            for (std::size_t w = 0; w < expected.size(); ++w)
                ASSERT_NEAR(envelope.power[w], expected[w], 1e-6 * expected[w] + 1e-12)
                    << "window " << w << " in pieces of " << piece;
        }
    }
}

TEST(LevelCurves, RunningStatisticsAreThoseOfEveryWindow) {
    SeededRandom random(7);
    std::vector<float> values(300);
    for (float& v : values)
        v = static_cast<float>(random.between(-50, 50)); // ties included
    const auto median = runningMedian(values, 21);
    const auto maxAhead = runningMaxAhead(values, 50);
    const auto minAhead = runningMinAhead(values, 50);
    const auto minAround = runningMinAround(values, 30);
    const auto count = static_cast<std::int64_t>(values.size());
    for (std::int64_t i = 0; i < count; ++i) {
        auto window = [&](std::int64_t from, std::int64_t to) {
            return std::vector<float>(values.begin() + std::max<std::int64_t>(from, 0),
                                      values.begin() + std::min(to, count));
        };
        std::vector<float> around = window(i - 10, i + 11);
        std::sort(around.begin(), around.end());
        const std::size_t n = around.size();
        EXPECT_EQ(median[i], n % 2 ? around[n / 2] : 0.5f * (around[n / 2 - 1] + around[n / 2]));
        const std::vector<float> ahead = window(i, i + 50);
        EXPECT_EQ(maxAhead[i], *std::max_element(ahead.begin(), ahead.end()));
        EXPECT_EQ(minAhead[i], *std::min_element(ahead.begin(), ahead.end()));
        const std::vector<float> near = window(i - 30, i + 31);
        EXPECT_EQ(minAround[i], *std::min_element(near.begin(), near.end()));
    }
}

} // namespace
} // namespace sundra
