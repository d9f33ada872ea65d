#include "core/units.h"

#include "memory_stream.h"
#include "tests/support/reference_levels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace sundra {
namespace {

using test::MemoryStream;

WaveFormat format(std::int32_t channels, std::int32_t rate, std::int32_t bits) {
    return WaveFormat{channels, rate, bits};
}

// A buffer of 16-bit samples, interleaved as given.
SampleBuffer buffer16(std::int32_t channels, const std::vector<std::int16_t>& samples) {
    SampleBuffer buffer(format(channels, 44100, 16), static_cast<std::int32_t>(samples.size() * 2));
    if (!samples.empty()) {
        std::memcpy(buffer.data.get(), samples.data(), samples.size() * 2);
    }
    return buffer;
}

SampleBuffer buffer8(std::int32_t channels, const std::vector<std::uint8_t>& samples) {
    SampleBuffer buffer(format(channels, 8000, 8), static_cast<std::int32_t>(samples.size()));
    if (!samples.empty()) {
        std::memcpy(buffer.data.get(), samples.data(), samples.size());
    }
    return buffer;
}

TEST(BlockBytes, RoundsOneDthOfASecondUpToWholeFrames) {
    EXPECT_EQ(blockBytes(format(2, 44100, 16), 32), 5512);
    EXPECT_EQ(blockBytes(format(2, 44100, 16), 32) / 4, 1378);
    EXPECT_EQ(blockBytes(format(1, 8000, 8), 32), 250);
    EXPECT_EQ(blockBytes(format(1, 11025, 8), 32), 344);

    // Quarter seconds, as the automatic split reads them.
    EXPECT_EQ(blockBytes(format(2, 44100, 16), 4) / 4, 11025);
    EXPECT_EQ(blockBytes(format(2, 22050, 16), 4) / 4, 5513);
    EXPECT_EQ(blockBytes(format(1, 22050, 8), 4), 5512);
    EXPECT_EQ(blockBytes(format(2, 48000, 16), 4) / 4, 12000);

    // One second: the export's copy buffer.
    EXPECT_EQ(blockBytes(format(2, 44100, 16), 1), 176400);
}

TEST(BlockBytes, FormatsWithoutWholeFramesGiveNoBlock) {
    EXPECT_EQ(blockBytes(format(2, 44100, 4), 32), 0);
    EXPECT_EQ(blockBytes(format(0, 44100, 16), 32), 0);
    EXPECT_EQ(blockBytes(format(2, 44100, 16), 0), 0);
}

TEST(BufferFrames, UsedAndCapacityInWholeFrames) {
    SampleBuffer buffer(format(2, 44100, 16), 4098);
    EXPECT_EQ(capacityFrames(buffer), 1024);
    EXPECT_EQ(usedFrames(buffer), 1024);
    buffer.used = 43;
    EXPECT_EQ(usedFrames(buffer), 10);

    SampleBuffer nibbles(format(2, 44100, 4), 16);
    EXPECT_EQ(usedFrames(nibbles), 0);
    EXPECT_EQ(capacityFrames(nibbles), 0);
}

TEST(Clock, HoursMinutesSecondsWithHoursWrappingAfterADay) {
    EXPECT_EQ(clock(0), "00:00:00");
    EXPECT_EQ(clock(59), "00:00:59");
    EXPECT_EQ(clock(3725), "01:02:05");
    EXPECT_EQ(clock(86399), "23:59:59");
    EXPECT_EQ(clock(86400), "00:00:00");
    EXPECT_EQ(clock(90000), "01:00:00");
    // The largest frame count at 8000 Hz.
    EXPECT_EQ(clock(std::numeric_limits<std::int32_t>::max() / 8000), "02:33:55");
}

TEST(Seconds, WholeSecondsTruncateAndEmptyStreamsAreAtZero) {
    EXPECT_EQ(wholeSeconds(44099, format(2, 44100, 16)), 0);
    EXPECT_EQ(wholeSeconds(44100, format(2, 44100, 16)), 1);
    EXPECT_EQ(wholeSeconds(88199, format(2, 44100, 16)), 1);
    EXPECT_EQ(wholeSeconds(100, format(2, 0, 16)), 0);

    MemoryStream empty(format(2, 44100, 16));
    EXPECT_EQ(currentSeconds(empty), 0);

    MemoryStream stream(format(1, 8000, 8), 40000);
    stream.seek(23999);
    EXPECT_EQ(currentSeconds(stream), 2);
    stream.seek(24000);
    EXPECT_EQ(currentSeconds(stream), 3);
}

TEST(Position, RatioAndBarOfAStream) {
    MemoryStream empty(format(2, 44100, 16));
    EXPECT_EQ(positionRatio(empty), 0.0);
    EXPECT_EQ(positionBar(empty), 0);

    MemoryStream stream(format(2, 44100, 16), 1000);
    stream.seek(500);
    EXPECT_EQ(positionRatio(stream), 0.5);
    EXPECT_EQ(positionBar(stream), 500);
    stream.seek(999);
    EXPECT_EQ(positionBar(stream), 999);
    stream.seek(1000);
    EXPECT_EQ(positionBar(stream), 1000);

    MemoryStream odd(format(2, 44100, 16), 3);
    odd.seek(2);
    EXPECT_EQ(positionBar(odd), 666); // 666.67 truncated, not rounded
}

TEST(Position, FrameAtRatioClampsAndTruncates) {
    MemoryStream stream(format(2, 44100, 16), 1000);
    EXPECT_EQ(frameAtRatio(stream, 1.7), 1000);
    EXPECT_EQ(frameAtRatio(stream, -0.2), 0);
    EXPECT_EQ(frameAtRatio(stream, 0.3333), 333);
    EXPECT_EQ(frameAtRatio(stream, 0.9999), 999);
    EXPECT_EQ(frameAtRatio(stream, 1.0), 1000);
    EXPECT_EQ(frameAtRatio(stream, std::nan("")), 0);
    EXPECT_EQ(frameAtRatio(stream, -std::nan("")), 0);
    EXPECT_EQ(frameAtRatio(stream, std::numeric_limits<double>::infinity()), 1000);
    EXPECT_EQ(frameAtRatio(stream, -std::numeric_limits<double>::infinity()), 0);

    MemoryStream empty(format(2, 44100, 16));
    EXPECT_EQ(frameAtRatio(empty, 0.5), 0);
}

TEST(Levels, SampleBoundariesOnAFullScaleOfOne) {
    const WaveFormat mono8 = format(1, 8000, 8);
    const std::uint8_t bytes8[] = {0, 128, 255, 127};
    EXPECT_EQ(sampleLevel(FrameView{&bytes8[0], &mono8}, 0), -1.0);
    EXPECT_EQ(sampleLevel(FrameView{&bytes8[1], &mono8}, 0), 0.0);
    EXPECT_EQ(sampleLevel(FrameView{&bytes8[2], &mono8}, 0), 0.9921875);
    EXPECT_EQ(sampleLevel(FrameView{&bytes8[3], &mono8}, 0), -0.0078125);

    const WaveFormat mono16 = format(1, 44100, 16);
    const std::uint8_t lowest[] = {0x00, 0x80};  // -32768
    const std::uint8_t highest[] = {0xff, 0x7f}; // 32767
    const std::uint8_t minusOne[] = {0xff, 0xff};
    const std::uint8_t half[] = {0x00, 0x40}; // 16384
    EXPECT_EQ(sampleLevel(FrameView{lowest, &mono16}, 0), -1.0);
    EXPECT_EQ(sampleLevel(FrameView{highest, &mono16}, 0), 0.999969482421875);
    EXPECT_EQ(sampleLevel(FrameView{minusOne, &mono16}, 0), -0.000030517578125);
    EXPECT_EQ(sampleLevel(FrameView{half, &mono16}, 0), 0.5);
}

TEST(Levels, ChannelsTheFormatLacksReadAsZeroWithoutTouchingTheirBytes) {
    // Exactly one frame is allocated: AddressSanitizer catches any byte read
    // beyond it.
    const WaveFormat mono16 = format(1, 44100, 16);
    auto frame = std::make_unique<std::uint8_t[]>(2);
    frame[0] = 0xff;
    frame[1] = 0x7f;
    EXPECT_EQ(sampleLevel(FrameView{frame.get(), &mono16}, 1), 0.0);
    EXPECT_EQ(sampleLevel(FrameView{frame.get(), &mono16}, -1), 0.0);
    EXPECT_EQ(sampleLevel(FrameView{frame.get(), &mono16}, 7), 0.0);

    // The meters ask for channel 1 of mono material.
    SampleBuffer loud = buffer16(1, {32767, 20000});
    EXPECT_EQ(channelPeak(loud, 0), 0.999969482421875);
    EXPECT_EQ(channelPeak(loud, 1), 0.0);
    EXPECT_EQ(channelPeak(loud, -1), 0.0);

    SampleBuffer loud8 = buffer8(1, {255});
    EXPECT_EQ(channelPeak(loud8, 1), 0.0);
}

TEST(Levels, ThresholdsAreStrict) {
    // One sample of exactly 0.5 (or -0.5) is not above 0.5.
    SampleBuffer half = buffer16(1, {0, 16384, -16384, 100});
    EXPECT_FALSE(anyFrameAbove(half, 0.5));
    EXPECT_TRUE(anyFrameAbove(half, std::nextafter(0.5, 0.0)));
    EXPECT_EQ(blockLevel(half), 0.5);
    EXPECT_EQ(channelPeak(half, 0), 0.5);

    // Bytes 192 and 64 are exactly +0.5 and -0.5 as well.
    SampleBuffer half8 = buffer8(1, {128, 192, 64});
    EXPECT_FALSE(anyFrameAbove(half8, 0.5));
    EXPECT_TRUE(anyFrameAbove(half8, 0.4999));

    // A stereo frame of 16384 and -16385 is as loud as its louder channel.
    SampleBuffer stereo = buffer16(2, {16384, -16385});
    EXPECT_TRUE(anyFrameAbove(stereo, 0.5));
    EXPECT_FALSE(anyFrameAbove(stereo, 0.500030517578125));
}

TEST(Levels, ThresholdsThatAreNotOrdinaryNumbers) {
    SampleBuffer silent = buffer16(2, {0, 0, 0, 0});
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(anyFrameAbove(silent, nan));
    EXPECT_FALSE(anyFrameAbove(silent, 0.0));
    EXPECT_TRUE(anyFrameAbove(silent, std::nextafter(0.0, -1.0)));
    EXPECT_TRUE(anyFrameAbove(silent, -inf));
    EXPECT_TRUE(anyFrameAbove(silent, -1e300));
    EXPECT_FALSE(anyFrameAbove(silent, inf));

    SampleBuffer loud = buffer16(2, {32767, -32768});
    EXPECT_FALSE(anyFrameAbove(loud, 1e300));
    EXPECT_FALSE(anyFrameAbove(loud, 1.0));
    EXPECT_TRUE(anyFrameAbove(loud, std::nextafter(1.0, 0.0)));
}

TEST(Levels, EmptyBuffersHaveNoLevelAndNoLoudFrame) {
    SampleBuffer empty = buffer16(2, {});
    EXPECT_EQ(channelPeak(empty, 0), 0.0);
    EXPECT_EQ(blockLevel(empty), 0.0);
    EXPECT_FALSE(anyFrameAbove(empty, -2.0));

    // A used count short of one frame holds no frame either.
    SampleBuffer partial = buffer16(2, {32767, 32767});
    partial.used = 3;
    EXPECT_EQ(channelPeak(partial, 0), 0.0);
    EXPECT_FALSE(anyFrameAbove(partial, -2.0));
}

TEST(Levels, AFrameIsAsLoudAsItsLoudestChannelInEitherDirection) {
    // Interleaved levels of three frames per case, for the first three
    // channels; a format of fewer channels takes the first ones.
    struct Case {
        const char* what;
        double frames[3][3];
        double level; // of the block and of its loud frame, frame 1
    };
    const Case cases[] = {
        {"anti-phase 0.5", {{0, 0, 0}, {0.5, -0.5, 0.5}, {0, 0, 0}}, 0.5},
        {"negative-only pulse", {{0, 0, 0}, {-0.5, -0.5, -0.5}, {0, 0, 0}}, 0.5},
        {"lopsided wave", {{0.125, 0.125, 0.125}, {-0.75, -0.5, -0.25}, {0.25, 0, 0}}, 0.75},
        {"most negative sample", {{0, 0, 0}, {-1.0, -1.0, -1.0}, {0.5, 0, 0}}, 1.0},
        {"equal and positive", {{0, 0, 0}, {0.5, 0.5, 0.5}, {0.25, 0.25, 0.25}}, 0.5},
    };
    const WaveFormat shapes[] = {{1, 8000, 8},
                                 {1, 44100, 16},
                                 {1, 48000, 24},
                                 {1, 48000, 32},
                                 {1, 48000, 32, SampleEncoding::Float},
                                 {1, 48000, 64, SampleEncoding::Float}};
    for (const WaveFormat& shape : shapes) {
        for (const std::int32_t channels : {1, 2, 3}) {
            WaveFormat format = shape;
            format.channels = channels;
            for (const Case& c : cases) {
                SCOPED_TRACE(testing::Message() << c.what << ", " << format.bitsPerSample
                                                << " bits, " << channels << " channels");
                SampleBuffer buffer(format, 3 * frameSize(format));
                double peaks[3] = {0, 0, 0};
                for (std::int32_t f = 0; f < 3; ++f) {
                    for (std::int32_t ch = 0; ch < channels; ++ch) {
                        test::putReferenceSample(buffer.data.get() + f * frameSize(format), format,
                                                 ch, c.frames[f][ch]);
                        peaks[ch] = std::max(peaks[ch], std::fabs(c.frames[f][ch]));
                    }
                }
                // A mono copy of a case holds its first channel, which is the
                // loudest of every loud frame above.
                const FrameView loudFrame{buffer.data.get() + frameSize(format), &format};
                EXPECT_EQ(frameLevel(loudFrame), c.level);
                EXPECT_EQ(blockLevel(buffer), c.level);
                EXPECT_TRUE(anyFrameAbove(buffer, 0.4));
                EXPECT_FALSE(anyFrameAbove(buffer, c.level));
                for (std::int32_t ch = 0; ch < channels; ++ch)
                    EXPECT_EQ(channelPeak(buffer, ch), peaks[ch]) << "channel " << ch;
                // The sample itself keeps its sign.
                EXPECT_EQ(sampleLevel(loudFrame, 0), c.frames[1][0]);
            }
        }
    }
}

TEST(Levels, WideIntegersHaveTheirLevelAndOtherWidthsLevelZero) {
    // 0x7f in every byte: 0x7f7f7f / 2^23 and 0x7f7f7f7f / 2^31.
    const struct {
        std::int32_t bits;
        double level;
    } wide[] = {{24, 0x7f7f7f / 8388608.0}, {32, 0x7f7f7f7f / 2147483648.0}};
    for (const auto& c : wide) {
        for (const std::int32_t channels : {1, 2, 3}) {
            SCOPED_TRACE(testing::Message() << c.bits << " bits, " << channels << " channels");
            SampleBuffer buffer(format(channels, 48000, c.bits), 3 * channels * (c.bits / 8));
            std::memset(buffer.data.get(), 0x7f, static_cast<std::size_t>(buffer.capacity));
            const FrameView frame{buffer.data.get(), &buffer.format};
            EXPECT_EQ(sampleLevel(frame, channels - 1), c.level);
            EXPECT_EQ(channelPeak(buffer, 0), c.level);
            EXPECT_FALSE(anyFrameAbove(buffer, c.level * 1.0000001));
            EXPECT_TRUE(anyFrameAbove(buffer, c.level * 0.9999999));
        }
    }
    // 12 bits in one byte per sample: a width without a level.
    for (const std::int32_t channels : {1, 2, 3}) {
        SCOPED_TRACE(testing::Message() << "12 bits, " << channels << " channels");
        SampleBuffer buffer(format(channels, 48000, 12), 3 * channels);
        std::memset(buffer.data.get(), 0x7f, static_cast<std::size_t>(buffer.capacity));
        const FrameView frame{buffer.data.get(), &buffer.format};
        EXPECT_EQ(sampleLevel(frame, 0), 0.0);
        EXPECT_EQ(frameLevel(frame), 0.0);
        EXPECT_EQ(channelPeak(buffer, 0), 0.0);
        EXPECT_EQ(blockLevel(buffer), 0.0);
        // Every frame's level is 0.0: above a negative threshold, never above 0.
        EXPECT_FALSE(anyFrameAbove(buffer, 0.0));
        EXPECT_TRUE(anyFrameAbove(buffer, -0.001));
    }
}

TEST(Levels, AUsedCountBeyondTheCapacityReadsOnlyTheBuffer) {
    SampleBuffer buffer = buffer16(2, {100, 200, 300, 400});
    buffer.used = 4000;
    EXPECT_EQ(channelPeak(buffer, 1), 400 / 32768.0);
    EXPECT_EQ(blockLevel(buffer), 400 / 32768.0);
    EXPECT_FALSE(anyFrameAbove(buffer, 0.5));

    SampleBuffer three(format(3, 44100, 16), 6);
    three.used = 600;
    EXPECT_EQ(blockLevel(three), 0.0);
    EXPECT_FALSE(anyFrameAbove(three, 0.5));

    buffer.used = -4;
    EXPECT_EQ(blockLevel(buffer), 0.0);
    EXPECT_FALSE(anyFrameAbove(buffer, -2.0));
}

} // namespace
} // namespace sundra
