// The click filter of the split's scans. The verdict on every block (read from
// several starting frames) and whole splits of generated recordings (clicks of
// one to three frames, soft tones, pauses) are held against a plain
// restatement of the scans over per-frame levels; and a crackly record side
// shows what the filter is for. The rule on small hand-made cases is in
// test_block_loudness.cpp.

#include "audio/waitable.h"
#include "core/seeded_random.h"
#include "core/units.h"
#include "split/auto_split.h"
#include "split/block_loudness.h"
#include "split_fixtures.h"
#include "tests/support/reference_levels.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

namespace sundra {
namespace {

using test::Span;

constexpr std::int32_t kSecond = 44100;
constexpr std::int32_t kBlock = 11025;

// The album generator's seeded numbers, so every run generates the same
// recordings, in the ranges these recordings use.
class Random : public SeededRandom {
public:
    using SeededRandom::SeededRandom;
    std::int32_t whole(std::int32_t low, std::int32_t high) {
        return static_cast<std::int32_t>(SeededRandom::between(low, high));
    }
    double between(double low, double high) { return low + (high - low) * unit(); }
};

// Interleaved integer samples of 16 or 24 bits.
struct Recording {
    WaveFormat format;
    std::vector<std::int32_t> samples;

    std::int32_t frames() const {
        return static_cast<std::int32_t>(samples.size()) / format.channels;
    }
    double fullScale() const { return std::ldexp(1.0, format.bitsPerSample - 1); }
    // Adds value x full scale to channel c of frame i, limited to the scale.
    void add(std::int32_t i, std::int32_t c, double value) {
        std::int32_t& sample = samples[static_cast<std::size_t>(i * format.channels + c)];
        const double scaled = std::round(sample + value * fullScale());
        sample = static_cast<std::int32_t>(std::clamp(scaled, -fullScale(), fullScale() - 1));
    }
    test::Bytes bytes() const {
        test::Bytes out;
        const int width = format.bitsPerSample / 8;
        for (const std::int32_t sample : samples)
            for (int b = 0; b < width; ++b)
                out.push_back(
                    static_cast<std::uint8_t>(static_cast<std::uint32_t>(sample) >> (8 * b)));
        return out;
    }
};

// ---- The rule, written out plainly over one level per frame ---------------

// The level of every frame, by the reference rule.
std::vector<double> frameLevels(const Recording& recording) {
    const test::Bytes bytes = recording.bytes();
    const std::int32_t size = frameSize(recording.format);
    std::vector<double> levels;
    for (std::int32_t i = 0; i < recording.frames(); ++i)
        levels.push_back(test::referenceFrameLevel(bytes.data() + i * size, recording.format));
    return levels;
}

struct ReferenceSplit {
    // Per frame: heard above the sense level. Without the filter every loud
    // frame is; with it, a loud frame whose window (counted from frame 0) lies
    // in a run of windowsNeeded windows that each hold a loud frame.
    std::vector<bool> heard;
    std::int32_t blockFrames;
    std::int64_t pauseBlocks;
    std::int32_t position = 0;

    std::int32_t length() const { return static_cast<std::int32_t>(heard.size()); }

    bool loudBlock(std::int32_t first, std::int32_t frames) const {
        for (std::int32_t i = first; i < first + frames; ++i)
            if (heard[static_cast<std::size_t>(i)])
                return true;
        return false;
    }

    // Reads the next block; returns the frames read.
    std::int32_t read(std::int32_t& first) {
        first = position;
        const std::int32_t frames = std::clamp(length() - position, 0, blockFrames);
        position += frames;
        return frames;
    }

    std::int32_t soundStart() {
        std::int32_t first = 0;
        for (std::int32_t frames = read(first); frames > 0; frames = read(first)) {
            if (loudBlock(first, frames)) {
                position = first;
                return first;
            }
        }
        return position;
    }

    std::int32_t pauseStart() {
        std::int64_t quiet = 0;
        std::int32_t first = 0;
        std::int32_t frames = read(first);
        for (; frames > 0; frames = read(first)) {
            if (loudBlock(first, frames))
                quiet = 0;
            else if (++quiet > pauseBlocks)
                break;
        }
        const std::int64_t start = position - pauseBlocks * blockFrames - frames;
        position = static_cast<std::int32_t>(std::max<std::int64_t>(start, 0));
        return position;
    }

    std::vector<Span> pieces(bool trimSpace, std::int32_t minimumFrames) {
        std::vector<Span> result;
        position = 0;
        for (;;) {
            std::int32_t start = 0;
            std::int32_t end = 0;
            if (trimSpace) {
                start = soundStart();
                end = pauseStart();
            } else {
                start = position;
                soundStart();
                pauseStart();
                end = soundStart();
            }
            if (start >= end)
                return result;
            if (end - start > minimumFrames)
                result.push_back({start, end});
        }
    }
};

ReferenceSplit referenceSplit(const Recording& recording, const std::vector<double>& levels,
                              const SplitSettings& settings) {
    ReferenceSplit split;
    const std::int32_t rate = recording.format.samplesPerSecond;
    split.blockFrames = (rate + 3) / 4; // a quarter second, rounded up to whole frames
    split.pauseBlocks = static_cast<std::int64_t>(std::trunc(4 * settings.senseTime));
    const std::int32_t window = rate / 100;
    const std::int64_t needed =
        settings.clickFilterMs > 0 ? (std::int64_t{settings.clickFilterMs} + 9) / 10 : 0;
    const auto length = static_cast<std::int32_t>(levels.size());
    std::vector<bool> loudWindow((length + window - 1) / window);
    for (std::int32_t i = 0; i < length; ++i) {
        split.heard.push_back(levels[static_cast<std::size_t>(i)] > settings.senseLevel);
        if (split.heard.back())
            loudWindow[static_cast<std::size_t>(i / window)] = true;
    }
    // Each loud frame whose window is in no long enough run of loud windows
    // is not heard.
    const auto windows = static_cast<std::int32_t>(loudWindow.size());
    for (std::int32_t first = 0; first < windows;) {
        std::int32_t end = first;
        while (end < windows && loudWindow[static_cast<std::size_t>(end)])
            ++end;
        if (end - first < needed)
            for (std::int32_t i = first * window; i < std::min(end * window, length); ++i)
                split.heard[static_cast<std::size_t>(i)] = false;
        first = std::max(end, first + 1);
    }
    return split;
}

std::vector<Span> referencePieces(const Recording& recording, const std::vector<double>& levels,
                                  const SplitSettings& settings) {
    const std::int32_t minimumFrames = static_cast<std::int32_t>(
        std::trunc(recording.format.samplesPerSecond * settings.minimumTime));
    return referenceSplit(recording, levels, settings).pieces(settings.trimSpace, minimumFrames);
}

// Off, one window (the same as off), short ones, and one longer than a block.
constexpr int kFilterLengths[] = {0, 10, 30, 50, 300};

SplitSettings settingsOf(int level, int time, int minimum, int trim, int clickFilterMs) {
    SplitSettings settings = SplitSettings::fromPageValues(level, time, minimum, trim);
    settings.clickFilterMs = clickFilterMs;
    return settings;
}

// ---- Generated material ----------------------------------------------------------

// A click: one to three frames of 0.1 to 0.6 of full scale on every channel.
void addClick(Recording& recording, std::int32_t at, Random& random) {
    const auto frames = random.whole(1, 3);
    const double height = random.between(0.1, 0.6);
    for (std::int32_t i = at; i < std::min(at + frames, recording.frames()); ++i)
        for (std::int32_t c = 0; c < recording.format.channels; ++c)
            recording.add(i, c, height);
}

// Pauses (digital silence or faint hiss), tones from 5 ms to 2.5 s (some soft
// and slow enough that only some of their 10 ms windows are loud), and runs of
// short bursts of a few windows each, with clicks scattered over all of it.
Recording clickyRecording(const WaveFormat& format, std::int32_t seconds, std::uint64_t seed) {
    Random random(seed);
    Recording recording{format, std::vector<std::int32_t>(static_cast<std::size_t>(
                                    seconds * format.samplesPerSecond * format.channels))};
    const std::int32_t length = recording.frames();
    const std::int32_t rate = format.samplesPerSecond;
    const std::int32_t window = rate / 100;
    for (std::int32_t at = 0; at < length;) {
        const double kind = random.unit();
        if (kind < 0.4) { // a pause
            const std::int32_t end = std::min(at + random.whole(rate / 5, rate * 8 / 5), length);
            const double hiss = random.unit() < 0.5 ? 0.0 : 0.01;
            for (; at < end; ++at)
                for (std::int32_t c = 0; c < format.channels; ++c)
                    recording.add(at, c, hiss * random.between(-1.0, 1.0));
        } else if (kind < 0.75) { // a tone
            const std::int32_t end = std::min(at + random.whole(rate / 200, rate * 5 / 2), length);
            const bool soft = random.unit() < 0.5;
            const double amplitude = soft ? random.between(0.04, 0.07) : random.between(0.1, 0.4);
            const double hertz = soft ? random.between(20.0, 150.0) : random.between(100.0, 900.0);
            for (; at < end; ++at)
                for (std::int32_t c = 0; c < format.channels; ++c)
                    recording.add(at, c,
                                  amplitude *
                                      std::sin(2 * std::numbers::pi * hertz * at / rate + c * 1.3));
        } else { // bursts, every frame of them loud, of up to six windows
            const std::int32_t bursts = random.whole(2, 8);
            for (std::int32_t b = 0; b < bursts && at < length; ++b) {
                const std::int32_t end = std::min(at + random.whole(1, 6 * window), length);
                const double height = random.between(0.06, 0.3);
                for (; at < end; ++at)
                    for (std::int32_t c = 0; c < format.channels; ++c)
                        recording.add(at, c, height);
                at = std::min(at + random.whole(1, 3 * window), length);
            }
        }
    }
    for (auto at = random.whole(0, rate / 2); at < length; at += random.whole(rate / 10, rate))
        addClick(recording, at, random);
    return recording;
}

class ClickFilter : public ::testing::Test {
protected:
    std::string write(const Recording& recording) {
        const std::string path = dir.file("take" + std::to_string(++count) + ".wav");
        test::writeBytes(path, test::canonicalWav(recording.format, recording.bytes()));
        return path;
    }

    // Filter lengths from none to more than a block, trim on and off, two levels
    // and two pause lengths:
    // first each block's verdict (blocks counted from several starting frames),
    // then the pieces of whole splits.
    void expectPiecesOfTheRule(const Recording& recording) {
        const std::string path = write(recording);
        const std::vector<double> levels = frameLevels(recording);
        auto master = test::openMaster(path);
        const std::int32_t window = recording.format.samplesPerSecond / 100;
        int filtered = 0;
        for (const int level : {50, 20}) {
            for (const int clickFilterMs : kFilterLengths) {
                SCOPED_TRACE(testing::Message()
                             << "level " << level << ", click filter " << clickFilterMs);
                const SplitSettings settings = settingsOf(level, 10, 2, 1, clickFilterMs);
                const ReferenceSplit reference = referenceSplit(recording, levels, settings);
                int loudBlocks = 0;
                for (const std::int32_t offset : {0, 1, window / 2, window - 1, 7 * window + 3}) {
                    master->seek(offset);
                    BlockReader blocks(*master, kSplitBlocksPerSecond, clickFilterMs);
                    for (std::int32_t first = offset; blocks.next(); first += blocks.frames()) {
                        ASSERT_EQ(blocks.start(), first);
                        const bool loud = blocks.loud(settings.senseLevel);
                        ASSERT_EQ(loud, reference.loudBlock(first, blocks.frames()))
                            << "frame " << first;
                        ASSERT_EQ(blocks.level() > settings.senseLevel, loud) << "frame " << first;
                        loudBlocks += loud;
                    }
                }
                EXPECT_GT(loudBlocks, 0);
            }
            for (const int time : {10, 3}) {
                for (const int trim : {1, 0}) {
                    std::vector<Span> unfiltered;
                    for (const int clickFilterMs : kFilterLengths) {
                        SCOPED_TRACE(testing::Message()
                                     << "level " << level << ", time " << time << ", trim " << trim
                                     << ", click filter " << clickFilterMs);
                        const SplitSettings settings =
                            settingsOf(level, time, 2, trim, clickFilterMs);
                        const std::vector<Span> pieces = test::splitOfFile(path, settings);
                        EXPECT_EQ(pieces, referencePieces(recording, levels, settings));
                        EXPECT_FALSE(pieces.empty());
                        if (clickFilterMs == 0)
                            unfiltered = pieces;
                        else if (clickFilterMs <= 10)
                            EXPECT_EQ(pieces, unfiltered) << "one window is no filter";
                        else if (pieces != unfiltered)
                            ++filtered;
                    }
                }
            }
        }
        // The material is made so that the filter changes the pieces.
        EXPECT_GT(filtered, 18) << "of 24 splits with a filter of two windows or more";
    }

    test::TempDir dir;
    int count = 0;
};

TEST_F(ClickFilter, StereoSixteenBitPiecesFollowTheRule) {
    expectPiecesOfTheRule(clickyRecording({2, 44100, 16}, 24, 17));
    // 5513-frame blocks of 25 windows of 220 frames and a last one of 13.
    expectPiecesOfTheRule(clickyRecording({2, 22050, 16}, 20, 18));
}

TEST_F(ClickFilter, MonoTwentyFourBitPiecesFollowTheRule) {
    // The level of a 24-bit sample s is s / 2^23.
    const WaveFormat format{1, 48000, 24};
    const std::uint8_t half[] = {0x00, 0x00, 0x40};
    ASSERT_EQ(frameLevel(FrameView{half, &format}), 0.5);
    expectPiecesOfTheRule(clickyRecording(format, 24, 29));
}

// A worn record side: five songs with surface noise (pink, about -45 dBFS) and
// a click of 0.2 to 0.5 of full scale every 0.5 to 0.9 s, also in the lead-in,
// the gaps and the lead-out.
struct RecordSide {
    Recording recording{{2, 44100, 16}, {}};
    std::vector<Span> songs;
};

RecordSide crackleSide() {
    Random random(2024);
    RecordSide side;
    std::vector<Span>& songs = side.songs;
    std::int32_t at = 3 * kSecond / 2;
    for (int song = 0; song < 5; ++song) {
        const auto frames = random.whole(5 * kSecond, 8 * kSecond);
        songs.push_back({at, at + frames});
        at += frames + random.whole(2 * kSecond, 4 * kSecond);
    }
    const std::int32_t length = songs.back().end + 5 * kSecond / 2;
    Recording& audio = side.recording;
    audio.samples.assign(static_cast<std::size_t>(length) * 2, 0);

    // Pink noise from white noise (Paul Kellet's three-pole filter), scaled to
    // an RMS of 10^(-45/20) of full scale.
    for (std::int32_t c = 0; c < 2; ++c) {
        std::vector<double> pink(static_cast<std::size_t>(length));
        double b0 = 0, b1 = 0, b2 = 0, power = 0;
        for (double& value : pink) {
            const double white = random.between(-1.0, 1.0);
            b0 = 0.99765 * b0 + white * 0.0990460;
            b1 = 0.96300 * b1 + white * 0.2965164;
            b2 = 0.57000 * b2 + white * 1.0526913;
            value = b0 + b1 + b2 + white * 0.1848;
            power += value * value;
        }
        const double scale = std::pow(10.0, -45.0 / 20.0) / std::sqrt(power / length);
        for (std::int32_t i = 0; i < length; ++i)
            audio.add(i, c, pink[static_cast<std::size_t>(i)] * scale);
    }
    // Songs: two tones and a soft passage of 0.4 s somewhere in the middle.
    for (const Span& song : songs) {
        const double level = random.between(0.2, 0.4);
        const double low = random.between(150.0, 400.0);
        const double high = random.between(500.0, 900.0);
        const std::int32_t soft = song.start + (song.end - song.start) / 2;
        for (std::int32_t i = song.start; i < song.end; ++i) {
            const double gain = i >= soft && i < soft + 2 * kSecond / 5 ? 0.05 : 1.0;
            for (std::int32_t c = 0; c < 2; ++c)
                audio.add(i, c,
                          gain * level *
                              (0.6 * std::sin(2 * std::numbers::pi * low * i / kSecond + c) +
                               0.4 * std::sin(2 * std::numbers::pi * high * i / kSecond)));
        }
    }
    for (auto click = random.whole(0, kSecond / 2); click < length;
         click += random.whole(kSecond / 2, kSecond * 9 / 10)) {
        const auto frames = random.whole(1, 3);
        const double height = random.between(0.2, 0.5);
        for (std::int32_t i = click; i < std::min(click + frames, length); ++i)
            for (std::int32_t c = 0; c < 2; ++c)
                audio.add(i, c, height);
    }
    return side;
}

// How many songs came out as one piece each, starting and ending within a
// quarter second of the song.
int songsFound(const std::vector<Span>& pieces, const std::vector<Span>& songs) {
    int found = 0;
    for (const Span& song : songs) {
        found += std::any_of(pieces.begin(), pieces.end(), [&](const Span& piece) {
            return std::abs(piece.start - song.start) <= kBlock &&
                   std::abs(piece.end - song.end) <= kBlock;
        });
    }
    return found;
}

TEST_F(ClickFilter, FindsEverySongOfACrackleRecordSide) {
    const RecordSide side = crackleSide();
    const std::string path = write(side.recording);

    const std::vector<Span> filtered = test::splitOfFile(path, settingsOf(50, 10, 10, 1, 50));
    EXPECT_EQ(filtered.size(), 5u);
    EXPECT_EQ(songsFound(filtered, side.songs), 5) << testing::PrintToString(filtered);

    // Without the filter the clicks bridge the gaps: songs run together.
    const std::vector<Span> plain = test::splitOfFile(path, settingsOf(50, 10, 10, 1, 0));
    EXPECT_LT(songsFound(plain, side.songs), 5) << testing::PrintToString(plain);
    EXPECT_LT(plain.size(), 5u);
}

} // namespace
} // namespace sundra
