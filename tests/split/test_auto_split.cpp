// The automatic split on generated recordings, with exact frame numbers. At
// 44100 Hz the analysis block is 11025 frames (a quarter second); with the
// default settings a pause is 5 quiet blocks and a piece must exceed 44100 frames.

#include "audio/waitable.h"
#include "core/units.h"
#include "split/auto_split.h"
#include "split_fixtures.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

namespace sundra {
namespace {

using test::HookedStream;
using test::RecordingNotifier;
using SampleRun = test::Run;
using test::Span;

constexpr std::int32_t kBlock = 11025;
constexpr std::int32_t kSecond = 44100;
const WaveFormat kStereo16{2, 44100, 16};

SplitSettings pageValues(int level, int time, int minimum, int trim) {
    return SplitSettings::fromPageValues(level, time, minimum, trim);
}

const SplitSettings kDefaults = pageValues(50, 10, 10, 1);
const SplitSettings kDefaultsUntrimmed = pageValues(50, 10, 10, 0);

// A 441 Hz square wave of +-0.5: half of its frames are negative, the rest loud.
void addTone(std::vector<SampleRun>& runs, std::int32_t frames) {
    for (std::int32_t done = 0; done < frames; done += 50)
        runs.push_back({std::min(50, frames - done),
                        static_cast<std::int16_t>((done / 50) % 2 == 0 ? 16384 : -16384)});
}

void addSilence(std::vector<SampleRun>& runs, std::int32_t frames) {
    runs.push_back({frames, 0});
}

std::vector<Span> spansOf(const PieceList& pieces) {
    std::vector<Span> spans;
    for (const auto& piece : pieces)
        spans.push_back({piece->start(), piece->end()});
    return spans;
}

class AutoSplit : public ::testing::Test {
protected:
    // parts[i] > 0: tone of that many frames; < 0: silence of -parts[i] frames.
    std::string recording(const std::vector<std::int32_t>& parts,
                          const WaveFormat& format = kStereo16) {
        std::vector<SampleRun> runs;
        for (std::int32_t part : parts) {
            if (part > 0)
                addTone(runs, part);
            else
                addSilence(runs, -part);
        }
        const std::string path = dir.file("take" + std::to_string(++count) + ".wav");
        test::writeRunsWav(path, format, runs);
        return path;
    }

    std::string rawRecording(const WaveFormat& format, const test::Bytes& samples) {
        const std::string path = dir.file("raw" + std::to_string(++count) + ".wav");
        test::writeBytes(path, test::canonicalWav(format, samples));
        return path;
    }

    // Splits the whole file as the window does: a row over the whole master.
    std::vector<Span> split(const std::string& path, const SplitSettings& settings) {
        auto master = test::openMaster(path);
        TrackSegment row(*master);
        KernelEvent stop(false, true);
        PieceList pieces;
        RecordingNotifier dialog;
        EXPECT_EQ(splitAll(row, settings, stop, pieces, dialog), 0);
        EXPECT_EQ(dialog.posts, std::vector<std::uint32_t>{kIdOk});
        for (const auto& piece : pieces) {
            EXPECT_EQ(&piece->parent(), &row);
            EXPECT_GT(piece->length(), 0);
        }
        return spansOf(pieces);
    }

    test::TempDir dir;
    int count = 0;
};

TEST_F(AutoSplit, TwoTonesWithPausesGiveTheWorkedPieces) {
    const std::string path = recording({4 * kSecond, -2 * kSecond, 4 * kSecond, -3 * kSecond});
    EXPECT_EQ(split(path, kDefaults), (std::vector<Span>{{0, 176400}, {264600, 441000}}));
    // Untrimmed pieces follow each other; the 3 s silence is a whole pause, so
    // the last piece ends at the end of the file.
    EXPECT_EQ(split(path, kDefaultsUntrimmed), (std::vector<Span>{{0, 264600}, {264600, 573300}}));
}

TEST_F(AutoSplit, SoundRunningToTheEndIsCutWhereThePauseScanRanOut) {
    const std::string path = recording({2 * kSecond, -2 * kSecond, 3 * kSecond});
    // L - 4 blocks = 264600: the last piece stops a second before the end.
    EXPECT_EQ(split(path, kDefaults), (std::vector<Span>{{0, 88200}, {176400, 264600}}));
    // The sound scan restarts at 264600, which is loud at once.
    EXPECT_EQ(split(path, kDefaultsUntrimmed), (std::vector<Span>{{0, 176400}, {176400, 264600}}));
}

TEST_F(AutoSplit, SenseTimeOfTwoTenthsMakesASingleQuietBlockAPause) {
    const std::string path = recording({kSecond, -kBlock, kSecond, -kBlock});
    EXPECT_EQ(split(path, pageValues(50, 2, 0, 1)),
              (std::vector<Span>{{0, 44100}, {55125, 99225}}));
    // With the default pause (5 blocks) the single block is no pause at all.
    EXPECT_EQ(split(path, pageValues(50, 10, 0, 1)), (std::vector<Span>{{0, 110250 - 4 * kBlock}}));

    // The pause length of every page value is floor(2v/5) blocks.
    for (int value = 0; value <= 100; ++value)
        EXPECT_EQ(pauseBlockCount(pageValues(50, value, 10, 1).senseTime, kSplitBlocksPerSecond),
                  2 * value / 5)
            << "sense time " << value;
    // A stored negative time means no pause length, not a cut past the pause.
    EXPECT_EQ(pauseBlockCount(-1.0, 4), 0);
}

TEST_F(AutoSplit, MinimumTimeKeepsOnlyLongerPieces) {
    // Minimum 0.5 s: Fmin = 22050. A tone to the end makes a piece of L - 4 blocks.
    const std::int32_t fmin = 22050;
    EXPECT_EQ(split(recording({fmin + 4 * kBlock}), pageValues(50, 10, 5, 1)),
              (std::vector<Span>{}));
    EXPECT_EQ(split(recording({fmin + 1 + 4 * kBlock}), pageValues(50, 10, 5, 1)),
              (std::vector<Span>{{0, fmin + 1}}));
    // Minimum 0 keeps a piece of a single frame.
    EXPECT_EQ(split(recording({1 + 4 * kBlock}), pageValues(50, 10, 0, 1)),
              (std::vector<Span>{{0, 1}}));
    // Untrimmed, a burst and its pause (6 blocks) fall under a 2 s minimum; the
    // dropped piece leaves a gap, and the next starts where the scans stopped.
    const std::string burstThenSong = recording({kBlock, -5 * kBlock, 4 * kSecond, -2 * kSecond});
    EXPECT_EQ(split(burstThenSong, pageValues(50, 10, 20, 0)),
              (std::vector<Span>{{66150, 330750}}));
}

TEST_F(AutoSplit, SourcesWithoutLoudFramesGiveNoPieceOrTheWholeSource) {
    const std::string silent = recording({-3 * kSecond});
    EXPECT_EQ(split(silent, kDefaults), (std::vector<Span>{}));
    EXPECT_EQ(split(silent, kDefaultsUntrimmed), (std::vector<Span>{{0, 3 * kSecond}}));

    // Samples of a width without a level (12 bits in two bytes) read as
    // silence, however large they are; 24-bit ones of 0.75 are loud.
    test::Bytes loud12 = {0x00, 0x60};
    while (loud12.size() < 2u * 2u * kSecond)
        loud12.insert(loud12.end(), loud12.begin(), loud12.end());
    loud12.resize(2u * 2u * kSecond);
    const std::string odd = rawRecording({2, 44100, 12}, loud12);
    EXPECT_EQ(split(odd, kDefaults), (std::vector<Span>{}));
    EXPECT_EQ(split(odd, pageValues(50, 10, 0, 1)), (std::vector<Span>{}));
    EXPECT_EQ(split(odd, kDefaultsUntrimmed), (std::vector<Span>{{0, 2 * kSecond}}));

    test::Bytes loud24 = {0x00, 0x00, 0x60};
    while (loud24.size() < 3u * 2u * 2u * kSecond)
        loud24.insert(loud24.end(), loud24.begin(), loud24.end());
    loud24.resize(3u * 2u * 2u * kSecond);
    const std::string deep = rawRecording({2, 44100, 24}, loud24);
    // Loud to the end: the piece stops a pause before it, one second.
    EXPECT_EQ(split(deep, pageValues(50, 10, 0, 1)), (std::vector<Span>{{0, kSecond}}));
}

TEST_F(AutoSplit, AFrameIsLoudByItsLoudestChannelInEitherDirection) {
    // One frame of +1/32768 or -1/32768 in block 2 of an otherwise silent file
    // is loud at sense level 0, and only there.
    for (const std::int16_t value : {1, -1}) {
        const std::string path = dir.file("click.wav");
        test::writeRunsWav(path, kStereo16, {{30000, 0}, {1, value}, {3 * kSecond - 30001, 0}});
        EXPECT_EQ(split(path, pageValues(0, 10, 0, 1)), (std::vector<Span>{{22050, 33075}}));
        EXPECT_EQ(split(path, pageValues(1, 10, 0, 1)), (std::vector<Span>{}));
    }

    // +0.5 on the left, -0.5 on the right, for 2 s to the end: every frame is
    // as loud as 0.5, and the piece stops a pause (one second) before the end.
    test::Bytes opposite = test::pcm16({16384, -16384});
    while (opposite.size() < 2u * kSecond * 4u)
        opposite.insert(opposite.end(), opposite.begin(), opposite.end());
    opposite.resize(2u * kSecond * 4u);
    const std::string wide = rawRecording(kStereo16, opposite);
    EXPECT_EQ(split(wide, pageValues(100, 10, 0, 1)), (std::vector<Span>{{0, kSecond}}));
    EXPECT_EQ(split(wide, pageValues(100, 10, 0, 0)), (std::vector<Span>{{0, kSecond}}));
}

TEST_F(AutoSplit, PiecesOfATrackAreCountedFromThatTrack) {
    const std::string path =
        recording({-kSecond, 4 * kSecond, -2 * kSecond, 4 * kSecond, -3 * kSecond});
    auto master = test::openMaster(path);
    TrackSegment row(*master, kSecond, master->length());
    KernelEvent stop(false, true);
    PieceList pieces;
    splitAll(row, kDefaults, stop, pieces, Notifier::none());
    ASSERT_EQ(spansOf(pieces), (std::vector<Span>{{0, 176400}, {264600, 441000}}));
    EXPECT_EQ(pieces[1]->absoluteStart(), 264600 + kSecond);
    EXPECT_EQ(pieces[1]->absoluteEnd(), 441000 + kSecond);
}

TEST_F(AutoSplit, PauseScanRunningOutNearTheMasterStartNeverSeeksBeforeIt) {
    // Two blocks, the second loud: the pause scan runs out at L - 4 blocks =
    // -22050, before the master's first frame. The scan holds at frame 0.
    const std::string path = recording({-kBlock, kBlock});
    auto master = test::openMaster(path);
    master->seek(0);
    EXPECT_EQ(findPauseStart(*master, 0.05, 1.0, 4, Notifier::none()), 0);
    EXPECT_EQ(master->tell(), 0);

    // Untrimmed, the closing sound scan then starts again from frame 0.
    EXPECT_EQ(split(path, pageValues(50, 10, 0, 0)), (std::vector<Span>{{0, kBlock}}));
    EXPECT_EQ(split(path, pageValues(50, 10, 0, 1)), (std::vector<Span>{}));
    // A short silent file is still one whole piece untrimmed.
    EXPECT_EQ(split(recording({-2 * kBlock}), pageValues(50, 10, 0, 0)),
              (std::vector<Span>{{0, 2 * kBlock}}));

    // Inside a master, the restart may lie before the track but not before the
    // master: a track over the last two blocks of ten loud ones yields nothing.
    const std::string tone = recording({10 * kBlock});
    auto toneMaster = test::openMaster(tone);
    TrackSegment tail(*toneMaster, 8 * kBlock, 10 * kBlock);
    tail.seek(0);
    EXPECT_EQ(findPauseStart(tail, 0.05, 1.0, 4, Notifier::none()), -2 * kBlock);
    EXPECT_EQ(toneMaster->tell(), 6 * kBlock);
}

TEST_F(AutoSplit, ScansPostTheirProgressAfterEveryBlockThatDoesNotEndThem) {
    const std::string path = recording({-4 * kBlock, 2 * kBlock, -6 * kBlock});
    auto master = test::openMaster(path);
    TrackSegment row(*master);
    row.seek(0);
    RecordingNotifier notifier;
    EXPECT_EQ(findSoundStart(row, 0.05, 4, notifier), 4 * kBlock);
    EXPECT_EQ(row.tell(), 4 * kBlock);
    EXPECT_EQ(notifier.posts, (std::vector<std::uint32_t>{83, 166, 250, 333}));
    EXPECT_EQ(notifier.lParams, (std::vector<std::int64_t>{0, 0, 0, 0}));

    notifier.posts.clear();
    // The fifth quiet block ends the scan and posts nothing.
    EXPECT_EQ(findPauseStart(row, 0.05, 1.0, 4, notifier), 6 * kBlock);
    EXPECT_EQ(row.tell(), 6 * kBlock);
    EXPECT_EQ(notifier.posts, (std::vector<std::uint32_t>{416, 500, 583, 666, 750, 833}));

    // Running out: every block posts, up to 1000.
    notifier.posts.clear();
    row.seek(10 * kBlock);
    EXPECT_EQ(findSoundStart(row, 0.05, 4, notifier), 12 * kBlock);
    EXPECT_EQ(notifier.posts, (std::vector<std::uint32_t>{916, 1000}));
}

TEST_F(AutoSplit, StopEventIsTestedBetweenPieces) {
    const std::string path =
        recording({kSecond, -2 * kSecond, 2 * kSecond, -2 * kSecond, 2 * kSecond, -2 * kSecond});
    auto master = test::openMaster(path);
    TrackSegment row(*master);
    PieceList pieces;
    pieces.push_back(std::make_unique<TrackSegment>(row, 1, 2));

    // Set before the run: no piece, and the old pieces are gone; OK still posted.
    KernelEvent stopped(true, true);
    RecordingNotifier dialog;
    EXPECT_EQ(splitAll(row, pageValues(50, 10, 0, 1), stopped, pieces, dialog), 0);
    EXPECT_TRUE(pieces.empty());
    EXPECT_EQ(dialog.posts, std::vector<std::uint32_t>{kIdOk});

    // Set during the first piece: that piece is finished, no other is cut.
    HookedStream hooked(row);
    KernelEvent stop(false, true);
    hooked.beforeRead = [&](int) { stop.set(); };
    RecordingNotifier dialog2;
    splitAll(hooked, pageValues(50, 10, 0, 1), stop, pieces, dialog2);
    EXPECT_EQ(spansOf(pieces), (std::vector<Span>{{0, kSecond}}));
    EXPECT_EQ(dialog2.posts, std::vector<std::uint32_t>{kIdOk});
}

TEST_F(AutoSplit, StreamErrorLeavesThePiecesFoundSoFarAndPostsNothing) {
    // Sense time 0: one quiet block is a pause. The first piece takes 3 reads,
    // the second 4 (sound scan: quiet, loud; pause scan: loud, quiet); the 8th
    // read, the start of the third piece, fails.
    const std::string path = recording({kBlock, -kBlock, kBlock, -kBlock, kBlock, -kBlock});
    auto master = test::openMaster(path);
    TrackSegment row(*master);
    HookedStream failing(row);
    failing.beforeRead = [](int read) {
        if (read == 8)
            throw std::runtime_error("the disk went away");
    };
    KernelEvent stop(false, true);
    PieceList pieces;
    RecordingNotifier dialog;
    EXPECT_THROW(splitAll(failing, pageValues(50, 0, 0, 1), stop, pieces, dialog),
                 std::runtime_error);
    EXPECT_EQ(spansOf(pieces), (std::vector<Span>{{0, kBlock}, {2 * kBlock, 3 * kBlock}}));
    EXPECT_TRUE(dialog.posts.empty());
}

TEST(PieceName, NumbersWithAtLeastTwoDigitsAndKeepsTheRowName) {
    EXPECT_EQ(pieceName("intro", 0), "intro-00");
    EXPECT_EQ(pieceName("a", 99), "a-99");
    EXPECT_EQ(pieceName("a", 100), "a-100");
    EXPECT_EQ(pieceName("100% %s live %d%n", 7), "100% %s live %d%n-07");
    EXPECT_EQ(pieceName("", 3), "-03");
}

} // namespace
} // namespace sundra
