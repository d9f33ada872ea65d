// How the split's scans judge a block, with and without the click filter: small
// hand-made cases read block by block, and a short tone that the block edges
// cut or not. Whole generated recordings are in test_click_filter.cpp.

#include "core/units.h"
#include "split/block_loudness.h"
#include "split_fixtures.h"
#include "tests/core/memory_stream.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace sundra {
namespace {

using test::Span;

TEST(BlockLoudness, LoudFramesCountInRunsOfLoudWindowsAcrossBlockEdges) {
    // 1000 Hz mono: windows of 10 frames, counted from frame 0. One block per
    // second reads a source in a single block; 40 per second in blocks of 25
    // frames, so window 2 (frames 20 to 29) lies in both blocks.
    const WaveFormat format{1, 1000, 16};
    struct Case {
        std::vector<std::int32_t> loudFrames;
        std::int32_t clickFilterMs;
        std::vector<bool> loud; // per block
        std::int32_t blocksPerSecond = 1;
        std::int32_t length = 45;
    };
    const Case cases[] = {
        {{}, 0, {false}},
        {{3}, 0, {true}},
        {{3}, -5, {true}},                  // a negative filter is no filter
        {{3}, 5, {true}},                   // ceil(5 / 10) = 1 window
        {{3}, 10, {true}},                  //
        {{3}, 11, {false}},                 // two windows needed
        {{9, 10}, 20, {true}},              // a two-frame click across a window edge
        {{10, 19}, 20, {false}},            // two frames of one window
        {{5, 25}, 20, {false}},             // windows 0 and 2 are not in a row
        {{5, 15, 25, 35}, 50, {false}},     //
        {{5, 15, 25, 35, 44}, 50, {true}},  // the short last window counts
        {{5, 15, 25, 44}, 40, {false}},     // a quiet window breaks the run
        {{15, 25, 35, 40}, 40, {true}},     //
        {{0, 10, 20, 30, 40}, 60, {false}}, // more windows than the source holds
        // Only the frames the source has count.
        {{25, 35, 44}, 30, {true}},
        {{25, 35, 44}, 20, {false}, 1, 30},
        {{25, 35, 44}, 10, {true}, 1, 30},
        {{25, 35, 44}, 0, {false}, 1, 25},
        // Runs reach across the block edge at frame 25.
        {{15, 25}, 20, {true, true}, 40},
        {{20, 35}, 20, {true, true}, 40},
        {{26, 35}, 20, {false, true}, 40}, // window 2 is loud only in the second block
        {{15, 29, 30}, 30, {true, true}, 40},
        {{22}, 20, {false, false}, 40},
        {{5, 15, 25, 35, 44}, 50, {true, true}, 40}, // longer than a block
        {{5, 15, 25, 35, 44}, 60, {false, false}, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.loudFrames.size() << " loud frames, filter " << c.clickFilterMs << ", "
                     << c.blocksPerSecond << " blocks per second, " << c.length << " frames");
        // Loud frames are -1639 (just above 0.05 in magnitude); every other
        // frame is 1638, just not.
        std::vector<std::int16_t> samples(static_cast<std::size_t>(c.length), 1638);
        for (const std::int32_t frame : c.loudFrames)
            if (frame < c.length)
                samples[static_cast<std::size_t>(frame)] = -1639;
        test::MemoryStream source(format);
        const test::Bytes bytes = test::pcm16(samples);
        source.write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
        source.seek(0);

        BlockReader blocks(source, c.blocksPerSecond, c.clickFilterMs);
        std::vector<bool> loud;
        std::int32_t end = 0;
        while (blocks.next()) {
            EXPECT_EQ(blocks.start(), end);
            end = blocks.start() + blocks.frames();
            loud.push_back(blocks.loud(0.05));
            // As a level: the loud or the quiet sample, or nothing where no
            // run fits.
            const bool runFits = clickWindowsNeeded(c.clickFilterMs) <= (c.length + 9) / 10;
            const double level = !runFits ? 0.0 : loud.back() ? 1639 / 32768.0 : 1638 / 32768.0;
            EXPECT_EQ(blocks.level(), level) << "block " << loud.size();
        }
        EXPECT_EQ(loud, c.loud);
        EXPECT_EQ(blocks.start(), c.length) << "where reading stopped";
    }

    EXPECT_EQ(clickWindowFrames({2, 44100, 16}), 441);
    EXPECT_EQ(clickWindowFrames({2, 22050, 16}), 220);
    EXPECT_EQ(clickWindowFrames({1, 11025, 8}), 110);
    EXPECT_EQ(clickWindowFrames({1, 50, 8}), 1);
    for (const auto& [ms, windows] : {std::pair{0, 0},
                                      {-3, 0},
                                      {1, 1},
                                      {10, 1},
                                      {11, 2},
                                      {50, 5},
                                      {100, 10},
                                      {2147483647, 214748365}})
        EXPECT_EQ(clickWindowsNeeded(ms), windows) << ms << " ms";
}

TEST(BlockLoudness, AToneGivesTheSamePieceWhereverTheBlockEdgesCutIt) {
    // 44100 Hz stereo: blocks of 11025 frames, 25 windows of 441. A tone of
    // 1 kHz at 0.3, the right channel in anti-phase, starts on a window edge
    // of block 8; 2 s of silence follow it.
    constexpr std::int32_t kBlock = 11025;
    constexpr std::int32_t kWindow = 441;
    struct Placement {
        std::int32_t toneMs;
        std::int32_t windowInBlock; // where in block 8 the tone starts
        std::int32_t blocks;        // the blocks it touches
    };
    const Placement placements[] = {
        {180, 2, 1},  // inside the block
        {180, 20, 2}, // across the edge into block 9
        {400, 0, 2},  // longer than a block
        {400, 20, 3}, // across two edges
    };
    test::TempDir dir;
    for (const Placement& placement : placements) {
        const std::int32_t start = 8 * kBlock + placement.windowInBlock * kWindow;
        const std::int32_t end = start + placement.toneMs * 44100 / 1000;
        const std::int32_t length = end + 2 * 44100;
        std::vector<std::int16_t> samples(2 * static_cast<std::size_t>(length));
        for (std::int32_t i = start; i < end; ++i) {
            const auto value = static_cast<std::int16_t>(
                std::lround(9830 * std::sin(2 * std::numbers::pi * i / 44.1)));
            samples[2 * static_cast<std::size_t>(i)] = value;
            samples[2 * static_cast<std::size_t>(i) + 1] = static_cast<std::int16_t>(-value);
        }
        const std::string path = dir.file("tone.wav");
        test::writeBytes(path, test::canonicalWav({2, 44100, 16}, test::pcm16(samples)));

        for (std::int32_t ms = 0; ms <= 420; ms += ms < 20 ? 1 : 10) {
            SCOPED_TRACE(testing::Message() << placement.toneMs << " ms tone at window "
                                            << placement.windowInBlock << ", filter " << ms);
            SplitSettings settings = SplitSettings::fromPageValues(50, 10, 0, 1);
            settings.clickFilterMs = ms;
            // The blocks the tone touches, or nothing once the filter is
            // longer than the tone.
            const std::vector<Span> expected =
                ms <= placement.toneMs
                    ? std::vector<Span>{{8 * kBlock, (8 + placement.blocks) * kBlock}}
                    : std::vector<Span>{};
            EXPECT_EQ(test::splitOfFile(path, settings), expected);
        }
    }
}

} // namespace
} // namespace sundra
