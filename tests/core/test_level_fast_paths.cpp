// The level scans take shortcuts for every sample shape (and for one channel of
// stereo). Here they are held against the levels computed the plain way, in
// double, as the program defines them (tests/support/reference_levels.h), over
// random and boundary buffers and thresholds, in every sample shape.

#include "core/units.h"
#include "tests/support/reference_levels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace sundra {
namespace {

using test::referenceFrameLevel;
using test::referenceSampleLevel;

// Equal levels, where two NaNs count as the same level.
bool sameLevel(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

struct Reference {
    std::vector<double> frames;                  // frame levels
    std::vector<std::vector<double>> magnitudes; // [channel][frame]
};

Reference reference(const SampleBuffer& buffer) {
    const std::int32_t size = frameSize(buffer.format);
    const std::int32_t frames = buffer.used / size;
    Reference result;
    result.magnitudes.resize(static_cast<std::size_t>(buffer.format.channels));
    for (std::int32_t i = 0; i < frames; ++i) {
        const std::uint8_t* frame = buffer.data.get() + i * size;
        result.frames.push_back(referenceFrameLevel(frame, buffer.format));
        for (std::int32_t c = 0; c < buffer.format.channels; ++c) {
            result.magnitudes[static_cast<std::size_t>(c)].push_back(
                std::fabs(referenceSampleLevel(frame, buffer.format, c)));
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
std::vector<double> thresholdsFor(const std::vector<double>& levels, std::mt19937& random) {
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
    if (!levels.empty()) {
        std::uniform_int_distribution<std::size_t> pick(0, levels.size() - 1);
        for (int i = 0; i < 8; ++i) {
            const double level = levels[pick(random)];
            thresholds.push_back(level);
            thresholds.push_back(std::nextafter(level, -inf));
            thresholds.push_back(std::nextafter(level, inf));
        }
        const double top = peak(levels);
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
                                        ? peak(expected.magnitudes[static_cast<std::size_t>(c)])
                                        : 0.0;
        ASSERT_EQ(channelPeak(buffer, c), expectedPeak) << "channel " << c;
    }
    ASSERT_EQ(blockLevel(buffer), peak(expected.frames));
    for (const double threshold : thresholdsFor(expected.frames, random)) {
        ASSERT_EQ(anyFrameAbove(buffer, threshold), anyAbove(expected.frames, threshold))
            << "threshold " << threshold;
    }
}

struct Layout {
    std::int32_t channels;
    std::int32_t bits;
    SampleEncoding encoding = SampleEncoding::Integer;
};

constexpr SampleEncoding kFloat = SampleEncoding::Float;

const Layout kLayouts[] = {{1, 8},          {2, 8},          {1, 16},         {2, 16},
                           {3, 8},          {3, 16},         {1, 24},         {2, 24},
                           {3, 24},         {1, 32},         {2, 32},         {2, 12},
                           {1, 32, kFloat}, {2, 32, kFloat}, {3, 32, kFloat}, {1, 64, kFloat},
                           {2, 64, kFloat}, {6, 64, kFloat}};

WaveFormat formatOf(const Layout& layout) {
    return WaveFormat{layout.channels, 44100, layout.bits, layout.encoding};
}

SampleBuffer makeBuffer(const Layout& layout, std::int32_t frames) {
    const WaveFormat format = formatOf(layout);
    return SampleBuffer(format, frames * frameSize(format));
}

testing::Message describe(const Layout& layout) {
    return testing::Message() << layout.channels << " channels, " << layout.bits << " bits"
                              << (layout.encoding == kFloat ? " float" : "");
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
            SCOPED_TRACE(describe(layout) << ", " << frames << " frames");
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
        SCOPED_TRACE(describe(layout));
        SampleBuffer buffer = makeBuffer(layout, 1500);
        const std::int32_t width = layout.bits / 8;
        for (std::int32_t i = 0; i < buffer.capacity / width; ++i) {
            const int sample = static_cast<int>(noise(random));
            std::uint8_t* at = buffer.data.get() + i * width;
            if (layout.encoding == kFloat) {
                const double value = sample / 32768.0;
                const float single = static_cast<float>(value);
                if (width == 4) {
                    std::memcpy(at, &single, 4);
                } else {
                    std::memcpy(at, &value, 8);
                }
            } else if (width == 1) {
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
                SCOPED_TRACE(describe(layout) << ", fill " << int{fill});
                SampleBuffer buffer = makeBuffer(layout, frames);
                std::memset(buffer.data.get(), fill, static_cast<std::size_t>(buffer.capacity));
                expectSameAsReference(buffer, random);
            }
        }
        const std::int32_t size = frameSize(formatOf(layout));
        for (const std::int32_t at : {0, 31, 32, 511, 512, 4095, 4096, 4999}) {
            for (const std::uint8_t fill :
                 {std::uint8_t{0x00}, std::uint8_t{0x7f}, std::uint8_t{0xff}}) {
                SCOPED_TRACE(describe(layout) << ", frame " << at << " of " << int{fill});
                SampleBuffer buffer = makeBuffer(layout, 5000);
                std::memset(buffer.data.get(), 0x80, static_cast<std::size_t>(buffer.capacity));
                std::memset(buffer.data.get() + at * size, fill, static_cast<std::size_t>(size));
                expectSameAsReference(buffer, random);
            }
        }
    }
}

TEST(LevelFastPaths, EveryFrameAloneMatchesTheDefinition) {
    // Each frame of a random buffer on its own: its level is the only one, so
    // anyFrameAbove must flip exactly at it.
    std::mt19937 random(42);
    std::uniform_int_distribution<int> byte(0, 255);
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(describe(layout));
        SampleBuffer source = makeBuffer(layout, 300);
        for (std::int32_t i = 0; i < source.capacity; ++i) {
            source.data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(byte(random));
        }
        const std::int32_t size = frameSize(source.format);
        SampleBuffer one = makeBuffer(layout, 1);
        for (std::int32_t i = 0; i < 300; ++i) {
            const std::uint8_t* frame = source.data.get() + i * size;
            std::memcpy(one.data.get(), frame, static_cast<std::size_t>(size));
            const double level = referenceFrameLevel(frame, source.format);
            ASSERT_EQ(frameLevel(FrameView{frame, &source.format}), level) << "frame " << i;
            for (std::int32_t c = 0; c < layout.channels; ++c) {
                ASSERT_TRUE(sameLevel(sampleLevel(FrameView{frame, &source.format}, c),
                                      referenceSampleLevel(frame, source.format, c)));
            }
            ASSERT_EQ(blockLevel(one), level) << "frame " << i;
            ASSERT_FALSE(anyFrameAbove(one, level)) << "frame " << i;
            ASSERT_TRUE(anyFrameAbove(one, std::nextafter(level, -1.0))) << "frame " << i;
        }
    }
}

TEST(LevelFastPaths, SpecialFloatValuesMatchTheDefinitions) {
    // Every pair of the values a float file can hold at its edges: NaN (which no
    // comparison lets through, so it adds nothing to a frame's level),
    // infinities, signed zeros, values beyond full scale and the smallest ones.
    const double inf = std::numeric_limits<double>::infinity();
    const double values[] = {0.0,
                             -0.0,
                             0.5,
                             -0.5,
                             1.0,
                             -1.0,
                             1.5,
                             std::nan(""),
                             inf,
                             -inf,
                             std::numeric_limits<float>::max(),
                             -std::numeric_limits<float>::max(),
                             std::numeric_limits<float>::denorm_min(),
                             std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::denorm_min()};
    std::mt19937 random(5);
    for (const std::int32_t bits : {32, 64}) {
        for (const std::int32_t channels : {1, 2}) {
            const Layout layout{channels, bits, kFloat};
            SCOPED_TRACE(describe(layout));
            std::vector<double> samples;
            for (const double a : values) {
                for (const double b : values) {
                    samples.push_back(a);
                    samples.push_back(b);
                }
            }
            const std::int32_t width = bits / 8;
            SampleBuffer buffer =
                makeBuffer(layout, static_cast<std::int32_t>(samples.size()) / channels);
            for (std::size_t i = 0; i < samples.size(); ++i) {
                std::uint8_t* at = buffer.data.get() + i * static_cast<std::size_t>(width);
                if (width == 4) {
                    const float single = static_cast<float>(samples[i]);
                    std::memcpy(at, &single, 4);
                } else {
                    std::memcpy(at, &samples[i], 8);
                }
            }
            expectSameAsReference(buffer, random);
            // Each frame alone, so that no other frame hides what it gives.
            const std::int32_t size = frameSize(buffer.format);
            SampleBuffer one = makeBuffer(layout, 1);
            for (std::int32_t f = 0; f < buffer.used / size; ++f) {
                std::memcpy(one.data.get(), buffer.data.get() + f * size,
                            static_cast<std::size_t>(size));
                expectSameAsReference(one, random);
            }
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
        const auto frames = static_cast<std::int32_t>(expected.frames.size());
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
            const std::vector<double> slice(expected.frames.begin() + from,
                                            expected.frames.begin() + to);
            ASSERT_EQ(blockLevel(buffer, first, count), peak(slice))
                << "frames " << first << " + " << count;
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
