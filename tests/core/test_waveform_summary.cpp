// The waveform summary against a plain reference: every sample decoded on its
// own and the minimum, the maximum and the sum of squares taken over each
// bucket, for every sample shape, mono and stereo, every stored level and
// zooms that the levels divide and that they do not.

#include "core/waveform_summary.h"

#include "memory_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace sundra {
namespace {

using test::MemoryStream;

// The reference decoding, spelled out from the rules rather than shared with
// the scanner.
std::int32_t referenceValue(const WaveFormat& format, const std::uint8_t* p) {
    if (isFloat(format)) {
        double v;
        if (format.bitsPerSample == 32) {
            float f;
            std::memcpy(&f, p, 4);
            v = f;
        } else {
            std::memcpy(&v, p, 8);
        }
        if (std::isnan(v)) {
            return 0;
        }
        const double t = std::trunc(v * 32768.0);
        return t < -32768.0 ? -32768 : t > 32767.0 ? 32767 : static_cast<std::int32_t>(t);
    }
    switch (format.bitsPerSample) {
    case 8:
        return (p[0] - 128) * 256;
    case 16:
        return static_cast<std::int16_t>(p[0] | (p[1] << 8));
    case 24: {
        std::int32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
        if (v & 0x800000) {
            v -= 0x1000000;
        }
        return v >> 8;
    }
    default: {
        const std::uint32_t u = p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
        return static_cast<std::int32_t>(u) >> 16;
    }
    }
}

// Min and max of channel over frames [first, last).
Peak referencePeak(MemoryStream& stream, int channel, std::int64_t first, std::int64_t last) {
    const WaveFormat& format = stream.format();
    const int bytes = format.bitsPerSample / 8;
    std::int32_t lo = std::numeric_limits<std::int32_t>::max();
    std::int32_t hi = std::numeric_limits<std::int32_t>::min();
    for (std::int64_t f = first; f < last; ++f) {
        const std::int32_t v =
            referenceValue(format, stream.bytes().data() + f * frameSize(format) + channel * bytes);
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    return {static_cast<std::int16_t>(lo), static_cast<std::int16_t>(hi)};
}

// Sum of the squares of channel's values over frames [first, last), exactly.
double referenceSquares(MemoryStream& stream, int channel, std::int64_t first, std::int64_t last) {
    const WaveFormat& format = stream.format();
    std::int64_t sum = 0;
    for (std::int64_t f = first; f < last; ++f) {
        const std::int64_t v =
            referenceValue(format, stream.bytes().data() + f * frameSize(format) +
                                       channel * (format.bitsPerSample / 8));
        sum += v * v;
    }
    return static_cast<double>(sum);
}

// Random samples whose loudness changes every few hundred frames (so the
// levels' buckets differ), with both ends of the scale and, for floating
// point, values past full scale and NaN mixed in.
void fillSamples(MemoryStream& stream, unsigned seed) {
    const WaveFormat& format = stream.format();
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> value(isFloat(format) ? -1.3 : -1.0, 1.0);
    std::vector<std::uint8_t>& bytes = stream.bytes();
    const int size = format.bitsPerSample / 8;
    const double fullScale = std::ldexp(1.0, format.bitsPerSample - 1);
    for (std::size_t at = 0; at + size <= bytes.size(); at += size) {
        const double loudness = static_cast<double>((at / (size * 700)) % 7) / 6.0;
        double v = value(random) * loudness;
        const unsigned pick = random() % 97;
        if (pick == 1) {
            v = -1.0;
        } else if (pick == 2) {
            v = isFloat(format) ? 1.0 : 1.0 - 1.0 / fullScale;
        }
        std::uint8_t* p = bytes.data() + at;
        if (isFloat(format)) {
            if (pick == 0) {
                v = std::numeric_limits<double>::quiet_NaN();
            }
            if (size == 4) {
                const auto f = static_cast<float>(v);
                std::memcpy(p, &f, 4);
            } else {
                std::memcpy(p, &v, 8);
            }
            continue;
        }
        auto x = static_cast<std::int64_t>(std::floor(v * fullScale));
        if (size == 1) {
            x += 128;
        }
        for (int i = 0; i < size; ++i) {
            p[i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(x) >> (8 * i));
        }
    }
}

struct Shape {
    const char* name;
    WaveFormat format;
};

const Shape kShapes[] = {
    {"8-bit mono", {1, 8000, 8, SampleEncoding::Integer}},
    {"8-bit stereo", {2, 8000, 8, SampleEncoding::Integer}},
    {"16-bit mono", {1, 44100, 16, SampleEncoding::Integer}},
    {"16-bit stereo", {2, 44100, 16, SampleEncoding::Integer}},
    {"24-bit mono", {1, 48000, 24, SampleEncoding::Integer}},
    {"24-bit stereo", {2, 96000, 24, SampleEncoding::Integer}},
    {"32-bit stereo", {2, 48000, 32, SampleEncoding::Integer}},
    {"float mono", {1, 44100, 32, SampleEncoding::Float}},
    {"float stereo", {2, 44100, 32, SampleEncoding::Float}},
    {"double stereo", {2, 44100, 64, SampleEncoding::Float}},
    {"16-bit three channels", {3, 44100, 16, SampleEncoding::Integer}},
};

// More than two of the coarsest buckets, ending in a partial one at every level.
constexpr std::int32_t kFrames = 2 * 65536 + 5000 + 77;

std::vector<Peak> scanAt(MemoryStream& stream, std::int64_t zoom) {
    std::vector<Peak> out;
    const int channels = stream.format().channels;
    PeakScanner scanner(stream.format(), zoom, [&](const Peak* bucket) {
        out.insert(out.end(), bucket, bucket + channels);
    });
    scanner.feed(stream.bytes().data(), stream.length());
    scanner.finish();
    return out;
}

void expectBuckets(MemoryStream& stream, const std::vector<Peak>& peaks, std::int64_t zoom,
                   const std::string& what) {
    const int channels = stream.format().channels;
    const std::int64_t frames = stream.length();
    const std::int64_t buckets = (frames + zoom - 1) / zoom;
    ASSERT_EQ(static_cast<std::int64_t>(peaks.size()), buckets * channels) << what;
    for (std::int64_t b = 0; b < buckets; ++b) {
        for (int c = 0; c < channels; ++c) {
            const Peak expected =
                referencePeak(stream, c, b * zoom, std::min(frames, (b + 1) * zoom));
            ASSERT_EQ(peaks[static_cast<size_t>(b * channels + c)], expected)
                << what << ", bucket " << b << " of " << buckets << ", channel " << c;
        }
    }
}

TEST(WaveformSummary, EveryLevelAndZoomEqualsThePlainPeaksAndSquaresOfEachBucket) {
    unsigned seed = 1;
    for (const Shape& shape : kShapes) {
        SCOPED_TRACE(shape.name);
        MemoryStream stream(shape.format, kFrames);
        fillSamples(stream, seed++);
        WaveformSummary summary(shape.format, stream.length());
        WaveformBuilder builder(summary);
        ASSERT_TRUE(builder.readFrom(stream, [] { return false; }));
        ASSERT_TRUE(summary.complete());
        EXPECT_EQ(summary.readyFrames(), kFrames);

        for (int level = 0; level < WaveformSummary::kLevels; ++level) {
            const std::int64_t size = WaveformSummary::levelFrames(level);
            std::vector<Peak> stored;
            for (std::int64_t b = 0; b < summary.bucketCount(level); ++b) {
                for (int c = 0; c < summary.channels(); ++c) {
                    stored.push_back(summary.peak(level, b, c));
                }
            }
            expectBuckets(stream, stored, size, "level of " + std::to_string(size));
            for (std::int64_t b = 0; b < summary.bucketCount(level); ++b) {
                for (int c = 0; c < summary.channels(); ++c) {
                    const double expected = referenceSquares(
                        stream, c, b * size, std::min<std::int64_t>(kFrames, (b + 1) * size));
                    ASSERT_NEAR(summary.squares(level, b, c), expected, 1e-7 * expected + 1e-9)
                        << "level of " << size << ", bucket " << b << ", channel " << c;
                }
            }
        }
        // Combined from a level, and from the samples where no level divides.
        for (std::int64_t zoom : {512, 8192, 65536, 131072}) {
            const auto combined = summary.atZoom(zoom);
            ASSERT_TRUE(combined.has_value()) << zoom;
            expectBuckets(stream, *combined, zoom, "zoom " + std::to_string(zoom));
        }
        for (std::int64_t zoom : {7, 1000}) {
            EXPECT_FALSE(summary.atZoom(zoom).has_value()) << zoom;
            expectBuckets(stream, scanAt(stream, zoom), zoom, "zoom " + std::to_string(zoom));
        }
    }
}

TEST(WaveformSummary, RangesTakeTheBucketsTheyTouch) {
    const WaveFormat format{2, 44100, 16, SampleEncoding::Integer};
    MemoryStream stream(format, kFrames);
    fillSamples(stream, 99);
    WaveformSummary summary(format, kFrames);
    WaveformBuilder builder(summary);
    ASSERT_TRUE(builder.readFrom(stream, {}));

    std::mt19937 random(7);
    for (int i = 0; i < 300; ++i) {
        std::int64_t first = random() % kFrames;
        std::int64_t last = first + 1 + random() % (i % 3 == 0 ? 200000 : 3000);
        const std::int64_t from = first / 256 * 256;
        const std::int64_t to = std::min<std::int64_t>((last + 255) / 256 * 256, kFrames);
        for (int c = 0; c < 2; ++c) {
            const auto got = summary.peakOver(c, first, last);
            ASSERT_TRUE(got.has_value());
            ASSERT_EQ(*got, referencePeak(stream, c, from, to)) << first << ".." << last;
            const auto stats = summary.statsOver(c, first, last);
            ASSERT_TRUE(stats.has_value());
            EXPECT_EQ(stats->peak, *got);
            EXPECT_EQ(stats->frames, to - from);
            const double squares = referenceSquares(stream, c, from, to);
            ASSERT_NEAR(stats->squares, squares, 1e-6 * squares) << first << ".." << last;
            EXPECT_NEAR(stats->rms(), std::sqrt(squares / static_cast<double>(to - from)),
                        1e-6 * stats->rms());
        }
    }
    EXPECT_FALSE(summary.statsOver(0, kFrames, kFrames + 10).has_value());
    EXPECT_FALSE(summary.peakOver(0, kFrames, kFrames + 10).has_value());
    EXPECT_FALSE(summary.peakOver(0, 500, 500).has_value());
}

TEST(WaveformSummary, APartBuiltShowsOnlyItsFinishedBucketsAndAStopLeavesItIncomplete) {
    const WaveFormat format{1, 44100, 16, SampleEncoding::Integer};
    MemoryStream stream(format, kFrames);
    fillSamples(stream, 5);
    WaveformSummary summary(format, kFrames);
    WaveformBuilder builder(summary);
    EXPECT_EQ(summary.progress(), 0.0);
    EXPECT_FALSE(summary.peakOver(0, 0, 1000).has_value());

    builder.feed(stream.bytes().data(), 70000); // 273 whole fine buckets and a part
    EXPECT_FALSE(summary.complete());
    EXPECT_EQ(summary.readyFrames(), 273 * 256);
    EXPECT_EQ(summary.bucketCount(0), 273);
    EXPECT_EQ(summary.bucketCount(1), 17);
    EXPECT_EQ(summary.bucketCount(2), 1);
    EXPECT_NEAR(summary.progress(), 273.0 * 256 / kFrames, 1e-9);
    // A range over the unfinished part stops at what is ready.
    EXPECT_EQ(*summary.peakOver(0, 60000, 200000), referencePeak(stream, 0, 59904, 273 * 256));
    EXPECT_EQ(summary.statsOver(0, 60000, 200000)->frames, 273 * 256 - 59904);

    // A stop before the next read leaves the summary as it was.
    stream.seek(70000);
    EXPECT_FALSE(builder.readFrom(stream, [] { return true; }));
    EXPECT_FALSE(summary.complete());
    EXPECT_EQ(summary.readyFrames(), 273 * 256);
}

TEST(WaveformSummary, AnEmptyStreamGivesACompleteSummaryWithoutBuckets) {
    const WaveFormat format{2, 44100, 24, SampleEncoding::Integer};
    MemoryStream stream(format, 0);
    WaveformSummary summary(format, 0);
    WaveformBuilder builder(summary);
    ASSERT_TRUE(builder.readFrom(stream, {}));
    EXPECT_TRUE(summary.complete());
    EXPECT_EQ(summary.progress(), 1.0);
    for (int level = 0; level < WaveformSummary::kLevels; ++level) {
        EXPECT_EQ(summary.bucketCount(level), 0);
    }
    EXPECT_TRUE(summary.atZoom(256)->empty());
    EXPECT_FALSE(summary.peakOver(0, 0, 100).has_value());
}

TEST(WaveformSummary, FramesBeyondTheExpectedLengthAreIgnored) {
    const WaveFormat format{1, 8000, 8, SampleEncoding::Integer};
    MemoryStream stream(format, 1000);
    fillSamples(stream, 3);
    WaveformSummary summary(format, 600);
    WaveformBuilder builder(summary);
    ASSERT_TRUE(builder.readFrom(stream, {}));
    EXPECT_EQ(summary.readyFrames(), 600);
    EXPECT_EQ(summary.bucketCount(0), 3);
    EXPECT_EQ(summary.peak(0, 2, 0), referencePeak(stream, 0, 512, 600));
}

TEST(WaveformSummary, FitsInSixMegabytesPerChannelHour) {
    const WaveFormat format{2, 44100, 16, SampleEncoding::Integer};
    const std::int64_t hour = 44100LL * 3600;
    WaveformSummary summary(format, hour);
    EXPECT_LE(summary.memoryBytes(), 2u * 6'000'000u);
    EXPECT_GE(summary.memoryBytes(), 2u * 8u * static_cast<std::size_t>(hour / 256));
}

TEST(WaveformSummary, RefusesShapesItCannotRead) {
    EXPECT_FALSE(canScanPeaks({2, 44100, 12, SampleEncoding::Integer}));
    EXPECT_FALSE(canScanPeaks({2, 44100, 16, SampleEncoding::Float}));
    EXPECT_FALSE(canScanPeaks({0, 44100, 16, SampleEncoding::Integer}));
    EXPECT_THROW(WaveformSummary({1, 44100, 64, SampleEncoding::Integer}, 10),
                 std::invalid_argument);
}

} // namespace
} // namespace sundra
