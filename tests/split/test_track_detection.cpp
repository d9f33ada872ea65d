// Finding the tracks of generated records without settings: over floors from
// digital silence to a needle drop's, with joins of digital silence among gaps
// of hiss, cut 12 or 24 dB quieter, after a long lead-in, in mono, 8-bit and
// float, every boundary is found and none is extra, automatically, by count and
// by a track list whose times are a few seconds off (also one that lists two
// sides); no more than half a second of audible music (a second on the needle
// drop) is left out at any edge; the same cuts at any gain; the floor is that
// of the gaps. Odd files give sensible answers.

#include "audio/waitable.h"
#include "split/gap_report.h"
#include "split/track_finder.h"
#include "split_fixtures.h"
#include "tests/support/record_album.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>

namespace sundra {
namespace {

constexpr int kSongs = 6;

struct Record {
    const char* name;
    test::RecordNoise noise;
    double gainDb = 0.0;
    double leadIn = 3.0;
    double leftOutSeconds = 0.5; // the most audible music a track may leave out at an edge
    WaveFormat format{2, 44100, 16};
    std::vector<std::size_t> silentGaps = {};
    bool floorInGapsOnly = false;
    const char* sameCutsAs = nullptr; // the record this one is, at another gain
};

const Record kRecords[] = {
    {.name = "digital silence", .noise = test::cleanFloor()},
    {.name = "cassette", .noise = test::cassetteFloor()},
    {.name = "needle drop", .noise = test::needleFloor(), .leftOutSeconds = 1.0},
    {.name = "needle drop cut 12 dB quieter after a long lead-in",
     .noise = test::needleFloor(),
     .gainDb = -12.0,
     .leadIn = 15.0,
     .leftOutSeconds = 1.0},
    {.name = "cassette with joins of digital silence",
     .noise = test::cassetteFloor(),
     .silentGaps = {0, 3}},
    {.name = "clean songs with gaps of hiss or digital silence",
     .noise = test::cassetteFloor(),
     .silentGaps = {1, 4},
     .floorInGapsOnly = true},
    {.name = "digital silence cut 24 dB quieter",
     .noise = test::cleanFloor(),
     .gainDb = -24.0,
     .sameCutsAs = "digital silence"},
    {.name = "cassette cut 24 dB quieter",
     .noise = test::cassetteFloor(),
     .gainDb = -24.0,
     .sameCutsAs = "cassette"},
    {.name = "joins cut 12 dB quieter",
     .noise = test::cassetteFloor(),
     .gainDb = -12.0,
     .silentGaps = {0, 3},
     .sameCutsAs = "cassette with joins of digital silence"},
    {.name = "mono", .noise = test::cassetteFloor(), .format = {1, 44100, 16}},
    {.name = "8-bit", .noise = test::cleanFloor(), .leftOutSeconds = 1.0, .format = {2, 44100, 8}},
    {.name = "float",
     .noise = test::needleFloor(),
     .leftOutSeconds = 1.0,
     .format = {2, 48000, 32, SampleEncoding::Float}},
};

// Every song is one track, each cut lies in the gap, and each track holds its
// song's audible music but for leftOut seconds at either end.
void expectSongs(const test::RecordAlbum& album, const std::vector<FrameSpan>& tracks,
                 double leftOut) {
    ASSERT_EQ(tracks.size(), album.songs.size());
    const auto slack = static_cast<std::int32_t>(leftOut * album.rate);
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
        seconds.push_back(double(album.songs[k].end - album.songs[k].start) / album.rate +
                          kOff[k % 6]);
    return seconds;
}

using Made = std::pair<test::RecordAlbum, GapDetection>;

// Each record is made and scanned once for all the tests.
const Made& made(const Record& kind) {
    static std::map<std::string, Made> records;
    if (auto found = records.find(kind.name); found != records.end())
        return found->second;
    test::RecordPlan plan = test::recordSide(kSongs, 7);
    plan.noise = kind.noise;
    plan.gainDb = kind.gainDb;
    plan.leadIn = kind.leadIn;
    plan.format = kind.format;
    plan.silentGaps = kind.silentGaps;
    plan.floorInGapsOnly = kind.floorInGapsOnly;
    test::TempDir dir;
    const test::RecordAlbum album = test::writeRecordAlbum(dir.file("side.wav"), plan);
    std::unique_ptr<WaveFileReader> master = test::openMaster(dir.file("side.wav"));
    std::optional<FoundTracks> found = findTracks(*master, {}, nullptr);
    return records.emplace(kind.name, Made(album, found->detection)).first->second;
}

class TrackDetection : public ::testing::TestWithParam<Record> {
protected:
    const Made& record() { return made(GetParam()); }
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

// The report names the RMS of the gaps' floor within a few dB of the floor
// laid under the record (the gaps' clicks add a little); where some gaps are
// digital silence and that is the floor, the noise of the others after it.
TEST_P(TrackDetection, TheFloorIsThatOfTheGaps) {
    const auto& [album, detection] = record();
    const std::string text = floorText(detection, chooseTracks(detection, {}).chosen);
    if (album.floorDb <= -199.0) {
        EXPECT_EQ(text, "digital silence");
        return;
    }
    const std::string silence = "digital silence; ";
    const bool silent = text.rfind(silence, 0) == 0;
    EXPECT_EQ(silent, detection.digitalSilence()) << text;
    EXPECT_NEAR(std::stod(text.substr(silent ? silence.size() : 0)), album.floorDb, 3.0) << text;
}

INSTANTIATE_TEST_SUITE_P(Records, TrackDetection, ::testing::ValuesIn(kRecords),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

// The same record cut quieter is cut at the same places: its levels keep
// their distances from the floor, and digital silence stays silence (only the
// faintest ends of fades sink into it, moving a cut in silence a little).
TEST(TrackDetectionAtAnyGain, CutsAtTheSamePlaces) {
    for (const Record& kind : kRecords) {
        if (kind.sameCutsAs == nullptr)
            continue;
        SCOPED_TRACE(kind.name);
        const Record& louder =
            *std::find_if(std::begin(kRecords), std::end(kRecords), [&](const Record& other) {
                return std::string(other.name) == kind.sameCutsAs;
            });
        const GapDetection& quiet = made(kind).second;
        const GapDetection& loud = made(louder).second;
        const GapChoice cuts = chooseTracks(quiet, {}).chosen;
        const GapChoice loudCuts = chooseTracks(loud, {}).chosen;
        ASSERT_EQ(cuts.size(), loudCuts.size());
        for (std::size_t k = 0; k < cuts.size(); ++k)
            EXPECT_NEAR(quiet.candidates[cuts[k]].cut, loud.candidates[loudCuts[k]].cut,
                        kTrackMarginSeconds * quiet.samplesPerSecond);
    }
}

// Files that are no record: one long song without a gap is one track, a file
// shorter than a window or of nothing but digital silence holds none, and none
// of them is refused.
TEST(TrackDetectionOfOddFiles, GivesSensibleAnswers) {
    test::RecordPlan oneSong = test::recordSide(1, 11);
    oneSong.songs[0].seconds = 75.0;
    oneSong.noise = test::cassetteFloor();
    struct Odd {
        const char* name;
        std::function<void(const std::string&)> write;
        std::size_t tracks;
    };
    const Odd kOdd[] = {
        {"one long song", [&](const std::string& path) { test::writeRecordAlbum(path, oneSong); },
         1},
        {"5 ms of noise",
         [](const std::string& path) {
             std::vector<std::int16_t> noise;
             for (int i = 0; i < 441; ++i)
                 noise.push_back(static_cast<std::int16_t>((i * 7919) % 20000 - 10000));
             test::writeBytes(path, test::canonicalWav({2, 44100, 16}, test::pcm16(noise)));
         },
         0},
        {"no sample at all",
         [](const std::string& path) {
             test::writeBytes(path, test::canonicalWav({2, 44100, 16}, {}));
         },
         0},
        {"a minute of digital silence",
         [](const std::string& path) {
             test::writeBytes(path, test::canonicalWav({2, 44100, 16}, test::Bytes(44100 * 240)));
         },
         0},
    };
    test::TempDir dir;
    for (const Odd& odd : kOdd) {
        SCOPED_TRACE(odd.name);
        odd.write(dir.file("odd.wav"));
        std::unique_ptr<WaveFileReader> master = test::openMaster(dir.file("odd.wav"));
        const std::optional<FoundTracks> found = findTracks(*master, {}, nullptr);
        ASSERT_TRUE(found);
        EXPECT_EQ(found->tracks.size(), odd.tracks);
        EXPECT_TRUE(found->chosen.empty());
    }
}

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
