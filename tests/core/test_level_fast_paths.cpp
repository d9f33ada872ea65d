// The level scans take integer shortcuts for 8- and 16-bit mono and stereo.
// Here they are held against the levels computed the plain way, in double, as
// the program defines them, over random and boundary buffers and thresholds.

#include "core/units.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace sundra {
namespace {

// The definitions, written out without any shortcut.
double referenceLevel(const std::uint8_t* frame, const WaveFormat& format, std::int32_t channel) {
    if (channel < 0 || channel >= format.channels) {
        return 0.0;
    }
    if (format.bitsPerSample == 8) {
        return (static_cast<int>(frame[channel]) - 128) / 128.0;
    }
    if (format.bitsPerSample == 16) {
        const int low = frame[2 * channel];
        const int high = frame[2 * channel + 1];
        int sample = low + 256 * high;
        if (sample >= 32768) {
            sample -= 65536;
        }
        return sample / 32768.0;
    }
    return 0.0;
}

double referenceMean(const std::uint8_t* frame, const WaveFormat& format) {
    double sum = 0.0;
    for (std::int32_t c = 0; c < format.channels; ++c) {
        sum += referenceLevel(frame, format, c) / format.channels;
    }
    return sum;
}

struct Reference {
    std::vector<double> means;
    std::vector<std::vector<double>> levels; // [channel][frame]
};

Reference reference(const SampleBuffer& buffer) {
    const std::int32_t size = frameSize(buffer.format);
    const std::int32_t frames = buffer.used / size;
    Reference result;
    result.levels.resize(static_cast<std::size_t>(buffer.format.channels));
    for (std::int32_t i = 0; i < frames; ++i) {
        const std::uint8_t* frame = buffer.data.get() + i * size;
        result.means.push_back(referenceMean(frame, buffer.format));
        for (std::int32_t c = 0; c < buffer.format.channels; ++c) {
            result.levels[static_cast<std::size_t>(c)].push_back(
                referenceLevel(frame, buffer.format, c));
        }
    }
    return result;
}

double peak(const std::vector<double>& values) {
    double best = 0.0;
    for (const double value : values) {
        if (value > best) {
            best = value;
        }
    }
    return best;
}

bool anyAbove(const std::vector<double>& values, double threshold) {
    for (const double value : values) {
        if (value > threshold) {
            return true;
        }
    }
    return false;
}

// Thresholds around every level that occurs (exactly at it and one step to
// either side), the ends of the scale, and values that are not ordinary.
std::vector<double> thresholdsFor(const std::vector<double>& means, std::mt19937& random) {
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> thresholds = {0.0,
                                      -0.0,
                                      -1.0,
                                      1.0,
                                      0.5,
                                      -0.5,
                                      std::nextafter(-1.0, -2.0),
                                      std::nextafter(1.0, 0.0),
                                      std::numeric_limits<double>::denorm_min(),
                                      -std::numeric_limits<double>::denorm_min(),
                                      1e300,
                                      -1e300,
                                      inf,
                                      -inf,
                                      std::nan(""),
                                      -std::nan(""),
                                      32767.0,
                                      -32768.0,
                                      2147483648.0,
                                      -2147483649.0};
    std::uniform_real_distribution<double> anywhere(-1.1, 1.1);
    for (int i = 0; i < 8; ++i) {
        thresholds.push_back(anywhere(random));
    }
    if (!means.empty()) {
        std::uniform_int_distribution<std::size_t> pick(0, means.size() - 1);
        for (int i = 0; i < 8; ++i) {
            const double mean = means[pick(random)];
            thresholds.push_back(mean);
            thresholds.push_back(std::nextafter(mean, -inf));
            thresholds.push_back(std::nextafter(mean, inf));
        }
        const double top = peak(means);
        thresholds.push_back(top);
        thresholds.push_back(std::nextafter(top, -inf));
    }
    return thresholds;
}

// Compares the whole buffer and every prefix of it that the scans' block
// edges make interesting.
void expectSameAsReference(const SampleBuffer& buffer, std::mt19937& random) {
    const Reference expected = reference(buffer);
    for (std::int32_t c = -1; c <= buffer.format.channels; ++c) {
        const double expectedPeak = c >= 0 && c < buffer.format.channels
                                        ? peak(expected.levels[static_cast<std::size_t>(c)])
                                        : 0.0;
        ASSERT_EQ(channelPeak(buffer, c), expectedPeak) << "channel " << c;
    }
    ASSERT_EQ(meanPeak(buffer), peak(expected.means));
    for (const double threshold : thresholdsFor(expected.means, random)) {
        ASSERT_EQ(anyFrameAbove(buffer, threshold), anyAbove(expected.means, threshold))
            << "threshold " << threshold;
    }
}

struct Layout {
    std::int32_t channels;
    std::int32_t bits;
};

const Layout kLayouts[] = {{1, 8}, {2, 8}, {1, 16}, {2, 16}, {3, 8}, {3, 16}, {2, 24}, {1, 32}};

SampleBuffer makeBuffer(const Layout& layout, std::int32_t frames) {
    const WaveFormat format{layout.channels, 44100, layout.bits};
    return SampleBuffer(format, frames * frameSize(format));
}

// Frame counts on both sides of the scans' block sizes (32 and 512 frames, runs
// of 4096).
const std::int32_t kFrameCounts[] = {0,   1,   2,   31,   32,   33,   511,
                                     512, 513, 575, 4095, 4096, 4097, 5000};

TEST(LevelFastPaths, RandomBuffersMatchTheDefinitions) {
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> byte(0, 255);
    for (const Layout& layout : kLayouts) {
        for (const std::int32_t frames : kFrameCounts) {
            SCOPED_TRACE(testing::Message() << layout.channels << " channels, " << layout.bits
                                            << " bits, " << frames << " frames");
            SampleBuffer buffer = makeBuffer(layout, frames);
            for (std::int32_t i = 0; i < buffer.capacity; ++i) {
                buffer.data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(byte(random));
            }
            expectSameAsReference(buffer, random);
            // A used count with a partial frame at its end.
            if (buffer.used > 0) {
                buffer.used -= 1;
                expectSameAsReference(buffer, random);
            }
        }
    }
}

TEST(LevelFastPaths, QuietBuffersMatchTheDefinitions) {
    // Quiet material: levels near the threshold values the settings produce.
    std::mt19937 random(99);
    std::normal_distribution<double> noise(0.0, 300.0);
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(testing::Message()
                     << layout.channels << " channels, " << layout.bits << " bits");
        SampleBuffer buffer = makeBuffer(layout, 1500);
        const std::int32_t width = layout.bits / 8;
        for (std::int32_t i = 0; i < buffer.capacity / width; ++i) {
            const int sample = static_cast<int>(noise(random));
            std::uint8_t* at = buffer.data.get() + i * width;
            if (width == 1) {
                at[0] = static_cast<std::uint8_t>(std::clamp(128 + sample / 256, 0, 255));
            } else {
                const auto value = static_cast<std::uint32_t>(sample);
                for (std::int32_t b = 0; b < width; ++b) {
                    at[b] = static_cast<std::uint8_t>(value >> (8 * b));
                }
            }
        }
        expectSameAsReference(buffer, random);
    }
}

TEST(LevelFastPaths, BoundaryBuffersMatchTheDefinitions) {
    std::mt19937 random(7);
    // The extreme byte patterns of each layout: all lowest, all highest, all at
    // the midpoint, and one extreme frame in a quiet buffer placed on every
    // block edge.
    const std::uint8_t fills[] = {0x00, 0xff, 0x80, 0x7f, 0x01};
    for (const Layout& layout : kLayouts) {
        for (const std::uint8_t fill : fills) {
            for (const std::int32_t frames : {1, 33, 4097}) {
                SCOPED_TRACE(testing::Message() << layout.channels << " channels, " << layout.bits
                                                << " bits, fill " << int{fill});
                SampleBuffer buffer = makeBuffer(layout, frames);
                std::memset(buffer.data.get(), fill, static_cast<std::size_t>(buffer.capacity));
                expectSameAsReference(buffer, random);
            }
        }
        const std::int32_t size = frameSize(WaveFormat{layout.channels, 44100, layout.bits});
        for (const std::int32_t at : {0, 31, 32, 511, 512, 4095, 4096, 4999}) {
            for (const std::uint8_t fill :
                 {std::uint8_t{0x00}, std::uint8_t{0x7f}, std::uint8_t{0xff}}) {
                SCOPED_TRACE(testing::Message() << layout.channels << " channels, " << layout.bits
                                                << " bits, frame " << at << " of " << int{fill});
                SampleBuffer buffer = makeBuffer(layout, 5000);
                std::memset(buffer.data.get(), 0x80, static_cast<std::size_t>(buffer.capacity));
                std::memset(buffer.data.get() + at * size, fill, static_cast<std::size_t>(size));
                expectSameAsReference(buffer, random);
            }
        }
    }
}

TEST(LevelFastPaths, EveryFrameAloneMatchesTheDefinition) {
    // Each frame of a random buffer on its own: its mean is the only level, so
    // anyFrameAbove must flip exactly at it.
    std::mt19937 random(42);
    std::uniform_int_distribution<int> byte(0, 255);
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(testing::Message()
                     << layout.channels << " channels, " << layout.bits << " bits");
        SampleBuffer source = makeBuffer(layout, 300);
        for (std::int32_t i = 0; i < source.capacity; ++i) {
            source.data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(byte(random));
        }
        const std::int32_t size = frameSize(source.format);
        SampleBuffer one = makeBuffer(layout, 1);
        for (std::int32_t i = 0; i < 300; ++i) {
            const std::uint8_t* frame = source.data.get() + i * size;
            std::memcpy(one.data.get(), frame, static_cast<std::size_t>(size));
            const double mean = referenceMean(frame, source.format);
            ASSERT_EQ(frameMean(FrameView{frame, &source.format}), mean) << "frame " << i;
            for (std::int32_t c = 0; c < layout.channels; ++c) {
                ASSERT_EQ(sampleLevel(FrameView{frame, &source.format}, c),
                          referenceLevel(frame, source.format, c));
            }
            ASSERT_EQ(meanPeak(one), mean > 0.0 ? mean : 0.0) << "frame " << i;
            ASSERT_FALSE(anyFrameAbove(one, mean)) << "frame " << i;
            ASSERT_TRUE(anyFrameAbove(one, std::nextafter(mean, -2.0))) << "frame " << i;
        }
    }
}

TEST(LevelFastPaths, RangesOfABufferMatchTheDefinitions) {
    // The range form answers for the frames [first, first + count) of the used
    // frames only; ranges reaching outside them are clipped.
    std::mt19937 random(4321);
    std::uniform_int_distribution<int> byte(0, 255);
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(testing::Message()
                     << layout.channels << " channels, " << layout.bits << " bits");
        SampleBuffer buffer = makeBuffer(layout, 5000);
        for (std::int32_t i = 0; i < buffer.capacity; ++i) {
            buffer.data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(byte(random));
        }
        buffer.used -= 1; // a partial frame at the end is no frame
        const Reference expected = reference(buffer);
        const auto frames = static_cast<std::int32_t>(expected.means.size());
        std::vector<std::pair<std::int32_t, std::int32_t>> ranges = {
            {0, frames},  {0, 0},       {0, 1},     {frames - 1, 1}, {frames - 1, 10}, {frames, 5},
            {-3, 10},     {-10, 5},     {100, 441}, {441, 441},      {4000, 4097},     {1, kMax},
            {kMax, kMax}, {kMin, kMax}, {7, -1},    {kMin, 3}};
        std::uniform_int_distribution<std::int32_t> position(-50, frames + 50);
        std::uniform_int_distribution<std::int32_t> length(0, 1200);
        for (int i = 0; i < 20; ++i)
            ranges.emplace_back(position(random), length(random));
        for (const auto& [first, count] : ranges) {
            const std::int64_t from = std::clamp<std::int64_t>(first, 0, frames);
            const std::int64_t to =
                std::clamp<std::int64_t>(std::int64_t{first} + std::max(count, 0), from, frames);
            const std::vector<double> slice(expected.means.begin() + from,
                                            expected.means.begin() + to);
            for (const double threshold : thresholdsFor(slice, random)) {
                ASSERT_EQ(anyFrameAbove(buffer, first, count, threshold),
                          anyAbove(slice, threshold))
                    << "frames " << first << " + " << count << ", threshold " << threshold;
            }
        }
    }
}

} // namespace
} // namespace sundra
