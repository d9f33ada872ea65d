// Finding the tracks of generated records without settings: over floors from
// digital silence to a needle drop's, cut 12 dB quieter, after a long lead-in,
// every boundary is found and none is extra, automatically, by count and by a
// track list whose times are a few seconds off (also one that lists two
// sides); no more than half a second of audible music (a second on the needle
// drop) is left out at any edge; the floor is that of the gaps.

#include "audio/waitable.h"
#include "split/track_finder.h"
#include "split_fixtures.h"
#include "tests/support/record_album.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>

namespace sundra {
namespace {

constexpr int kSongs = 6;

struct Record {
    const char* name;
    test::RecordNoise noise;
    double gainDb;
    double leadIn;
    double leftOutSeconds; // the most audible music a track may leave out at an edge
};

const Record kRecords[] = {
    {"digital silence", test::cleanFloor(), 0.0, 3.0, 0.5},
    {"cassette", test::cassetteFloor(), 0.0, 3.0, 0.5},
    {"needle drop", test::needleFloor(), 0.0, 3.0, 1.0},
    {"needle drop cut 12 dB quieter after a long lead-in", test::needleFloor(), -12.0, 15.0, 1.0},
};

// Every song is one track, each cut lies in the gap, and each track holds its
// song's audible music but for leftOut seconds at either end.
void expectSongs(const test::RecordAlbum& album, const std::vector<FrameSpan>& tracks,
                 double leftOut) {
    ASSERT_EQ(tracks.size(), album.songs.size());
    const auto slack = static_cast<std::int32_t>(leftOut * 44100);
    for (std::size_t k = 0; k < tracks.size(); ++k) {
        SCOPED_TRACE(::testing::Message() << "song " << k);
        const test::SongSpan& song = album.songs[k];
        EXPECT_LE(tracks[k].start, song.audibleStart + slack);
        EXPECT_GE(tracks[k].end, song.audibleEnd - slack);
        if (k + 1 < tracks.size()) {
            EXPECT_LE(tracks[k].end, album.songs[k + 1].audibleStart);
            EXPECT_GE(tracks[k + 1].start, song.audibleEnd);
        }
    }
}

// The songs' lengths as a sleeve gives them: up to 3 s off, both ways.
std::vector<double> sleeveTimes(const test::RecordAlbum& album) {
    static constexpr double kOff[] = {3.0, -2.0, 1.0, -3.0, 2.0, -1.0};
    std::vector<double> seconds;
    for (std::size_t k = 0; k < album.songs.size(); ++k)
        seconds.push_back((album.songs[k].end - album.songs[k].start) / 44100.0 + kOff[k % 6]);
    return seconds;
}

class TrackDetection : public ::testing::TestWithParam<Record> {
protected:
    static std::map<std::string, std::pair<test::RecordAlbum, GapDetection>>& made() {
        static std::map<std::string, std::pair<test::RecordAlbum, GapDetection>> records;
        return records;
    }
    // Each record is made and scanned once for all the tests.
    const std::pair<test::RecordAlbum, GapDetection>& record() {
        auto& records = made();
        const Record& kind = GetParam();
        if (auto found = records.find(kind.name); found != records.end())
            return found->second;
        test::RecordPlan plan = test::recordSide(kSongs, 7);
        plan.noise = kind.noise;
        plan.gainDb = kind.gainDb;
        plan.leadIn = kind.leadIn;
        test::TempDir dir;
        const test::RecordAlbum album = test::writeRecordAlbum(dir.file("side.wav"), plan);
        std::unique_ptr<WaveFileReader> master = test::openMaster(dir.file("side.wav"));
        std::optional<FoundTracks> found = findTracks(*master, {}, nullptr);
        return records.emplace(kind.name, std::make_pair(album, found->detection)).first->second;
    }
};

TEST_P(TrackDetection, FindsEverySongAutomaticallyByCountAndByATrackList) {
    const auto& [album, detection] = record();
    const double leftOut = GetParam().leftOutSeconds;
    {
        SCOPED_TRACE("automatic");
        expectSongs(album, chooseTracks(detection, {}).tracks, leftOut);
    }
    {
        SCOPED_TRACE("by count");
        expectSongs(album,
                    chooseTracks(detection, {TrackSearch::ByCount, kSongs, {}, false}).tracks,
                    leftOut);
        // More tracks than candidates: nothing, and how many there are.
        const std::size_t candidates = detection.candidates.size();
        const FoundTracks tooMany =
            chooseTracks(detection, {TrackSearch::ByCount, candidates + 2, {}, false});
        EXPECT_FALSE(tooMany.met);
        EXPECT_TRUE(tooMany.tracks.empty());
    }
    const std::vector<double> times = sleeveTimes(album);
    {
        SCOPED_TRACE("by a track list");
        const FoundTracks found =
            chooseTracks(detection, {TrackSearch::ByDurations, 0, times, false});
        expectSongs(album, found.tracks, leftOut);
        EXPECT_LE(found.fit->worstSeconds, 6.0);
    }
    {
        SCOPED_TRACE("by the list of a whole album, this side among others");
        std::vector<double> album2 = {200.0, 185.0};
        album2.insert(album2.end(), times.begin(), times.end());
        album2.insert(album2.end(), {240.0, 175.0, 222.0});
        const FoundTracks found =
            chooseTracks(detection, {TrackSearch::ByDurations, 0, album2, true});
        expectSongs(album, found.tracks, leftOut);
        EXPECT_EQ(found.fit->firstLine, 2u);
        EXPECT_EQ(found.fit->lines, std::size_t{kSongs});
    }
}

TEST_P(TrackDetection, TheFloorIsThatOfTheGaps) {
    const auto& [album, detection] = record();
    if (album.floorDb <= -199.0) {
        EXPECT_TRUE(detection.digitalSilence());
    } else {
        EXPECT_FALSE(detection.digitalSilence());
        EXPECT_NEAR(detection.floorDb, album.floorDb, 3.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Records, TrackDetection, ::testing::ValuesIn(kRecords),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

TEST(TrackFinderWork, FillsThePiecesAndPostsOkOrStopsAtOnce) {
    test::TempDir dir;
    test::writeRecordAlbum(dir.file("three.wav"), test::recordSide(3, 3));
    std::unique_ptr<WaveFileReader> master = test::openMaster(dir.file("three.wav"));
    TrackSegment row(*master);
    PieceList pieces;
    KernelEvent go(false, true);
    test::RecordingNotifier dialog;
    ASSERT_TRUE(findTrackPieces(row, {}, go, pieces, dialog));
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(&pieces[0]->parent(), &row);
    EXPECT_EQ(dialog.posts, std::vector<std::uint32_t>{kIdOk});

    // More tracks than gaps: the work is done, but no piece, and why.
    test::RecordingNotifier tooMany;
    const std::optional<FoundTracks> few =
        findTrackPieces(row, {TrackSearch::ByCount, 99, {}, false}, go, pieces, tooMany);
    ASSERT_TRUE(few);
    EXPECT_TRUE(pieces.empty());
    EXPECT_EQ(tooMany.posts, std::vector<std::uint32_t>{kIdOk});
    EXPECT_EQ(trackProblem(*few),
              "found only " + std::to_string(few->detection.candidates.size()) + " gaps");

    KernelEvent stop(true, true);
    test::RecordingNotifier stopped;
    EXPECT_FALSE(findTrackPieces(row, {}, stop, pieces, stopped));
    EXPECT_TRUE(pieces.empty());
    EXPECT_TRUE(stopped.posts.empty());
}

} // namespace
} // namespace sundra
