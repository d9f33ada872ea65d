// sundra-cli split --tracks N and sundra-cli analyze on a generated album of
// three songs with gaps of 3 and 2 s and a silent dip inside the first song;
// split --auto and --track-list on a generated record of three songs.

#include "tests/cli/cli_runner.h"
#include "tests/support/generated_album.h"
#include "tests/support/record_album.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <sstream>

namespace sundra {
namespace {

std::string threeSongs(const test::TempDir& dir, test::Album& album) {
    test::AlbumPlan plan;
    plan.leadIn = 1.0;
    plan.leadOut = 1.0;
    plan.songs = {{6, 0.3, {{2, 0.5, 0}}}, {5, 0.3, {}}, {4, 0.3, {}}};
    plan.gaps = {3.0, 2.0};
    const std::string path = dir.file("album.wav");
    album = test::writeAlbum(path, plan);
    return path;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(CliTracks, SplitsIntoTheCountAtTheBestGapsOrRefuses) {
    test::TempDir dir;
    test::Album album;
    const std::string path = threeSongs(dir, album);

    const test::CliResult two = test::runCli({"split", path, "--tracks", "2"});
    EXPECT_EQ(two.status, 0) << two.err;
    const std::vector<std::string> rows = linesOf(two.out);
    ASSERT_EQ(rows.size(), 3u);
    // The 3 s gap takes the cut: the first song runs from 1 s to 7 s, the
    // second from 10 s; each track keeps a quarter second of gap at its ends.
    EXPECT_EQ(rows[1], "album-00\t33075\t319725\t00:00:00\t00:00:07\t00:00:06");
    EXPECT_EQ(rows[2].substr(0, 23), "album-01\t429975\t937125\t");

    const test::CliResult four = test::runCli({"split", path, "--tracks", "4", "--save"});
    EXPECT_EQ(four.status, 0) << four.err;
    EXPECT_EQ(linesOf(four.out).size(), 5u); // the dip inside the first song is the third gap
    EXPECT_EQ(dir.entries().size(), 5u);

    test::TempDir empty;
    const std::string again = threeSongs(empty, album);
    const test::CliResult five = test::runCli({"split", again, "--tracks", "5", "--save"});
    EXPECT_EQ(five.status, 1);
    EXPECT_EQ(five.out, "");
    EXPECT_EQ(five.err, "sundra-cli split: found only 3 gaps\n");
    EXPECT_EQ(empty.entries(), std::vector<std::string>{"album.wav"});

    const std::vector<std::vector<std::string>> refusals = {
        {"--tracks", "1"},           {"--tracks", "1000"},
        {"--tracks", "two"},         {"--tracks", "3", "--sense-level", "40"},
        {"--tracks", "3", "--auto"}, {"--lines", "1-2"}};
    for (const std::vector<std::string>& bad : refusals) {
        std::vector<std::string> args = {"split", again};
        args.insert(args.end(), bad.begin(), bad.end());
        const test::CliResult refused = test::runCli(args);
        EXPECT_EQ(refused.status, 1) << bad.front();
        EXPECT_NE(refused.err.find("usage: sundra-cli split"), std::string::npos) << refused.err;
    }
}

TEST(CliAnalyze, ReportsTheDetectionOfTheWholeFile) {
    test::TempDir dir;
    test::Album album;
    const std::string path = threeSongs(dir, album);
    const test::CliResult result = test::runCli({"analyze", path, "--sense-level", "40"});
    EXPECT_EQ(result.status, 0) << result.err;
    const std::vector<std::string> lines = linesOf(result.out);
    ASSERT_GE(lines.size(), 9u);
    EXPECT_EQ(lines[0], "Sense level: 0.0400 (-28.0 dBFS), sense time 1.0 s, minimum time 1.0 s, "
                        "trim space");
    EXPECT_EQ(lines[1], "Noise floor: digital silence");
    EXPECT_EQ(lines[2], "Loudest pause: 0.0000 (silence) at 00:00:07.00 for 3.00 s");
    EXPECT_EQ(lines[5], "Pieces at this level: 3");
    EXPECT_EQ(lines[6], "Pauses between sounds: 3; the longest:");
    EXPECT_EQ(lines[7], "  00:00:07.00 for 3.00 s");
    EXPECT_EQ(lines.back().substr(0, 33), "Pieces at sense level 0..100: 3 3");

    // The click filter reaches the report, and its counts stay those of split.
    const test::CliResult filtered =
        test::runCli({"analyze", path, "--sense-level", "40", "--click-filter", "50"});
    EXPECT_EQ(filtered.status, 0) << filtered.err;
    const std::vector<std::string> filteredLines = linesOf(filtered.out);
    ASSERT_GE(filteredLines.size(), 9u);
    EXPECT_EQ(filteredLines[0], lines[0] + ", click filter 50 ms");
    EXPECT_EQ(filteredLines[5], "Pieces at this level: 3");
    const test::CliResult bySplit =
        test::runCli({"split", path, "--sense-level", "40", "--click-filter", "50"});
    EXPECT_EQ(bySplit.status, 0) << bySplit.err;
    EXPECT_EQ(linesOf(bySplit.out).size(), 4u);

    const test::CliResult missing = test::runCli({"analyze", dir.file("none.wav")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("was not found"), std::string::npos) << missing.err;
}

TEST(CliAutoAndTrackList, FindTheSongsAndNameThemFromTheList) {
    test::TempDir dir;
    test::RecordPlan plan = test::recordSide(3, 5);
    plan.noise = test::cassetteFloor();
    const std::string path = dir.file("side.wav");
    const test::RecordAlbum album = test::writeRecordAlbum(path, plan);
    auto startsOf = [](const std::string& out) {
        std::vector<std::string> starts;
        for (const std::string& row : linesOf(out)) {
            const std::size_t from = row.find('\t') + 1;
            starts.push_back(row.substr(from, row.find('\t', from) - from));
        }
        return starts;
    };

    const test::CliResult automatic = test::runCli({"split", path, "--auto"});
    EXPECT_EQ(automatic.status, 0) << automatic.err;
    const std::vector<std::string> rows = linesOf(automatic.out);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1].substr(0, 8), "side-00\t");

    // analyze names the floor of the gaps and the same choice, and suggests a
    // sense level that gives as many pieces.
    const std::vector<std::string> report = linesOf(test::runCli({"analyze", path}).out);
    ASSERT_GE(report.size(), 2u);
    EXPECT_NEAR(std::stod(report[1].substr(report[1].find(": ") + 2)), album.floorDb, 3.0)
        << report[1];
    EXPECT_NE(std::find_if(report.begin(), report.end(),
                           [](const std::string& line) {
                               return line.rfind("Automatic detection: 3 tracks, cut at 2 of", 0) ==
                                      0;
                           }),
              report.end());

    // A whole album's list, this side its lines 2 to 4, each time 2 s off.
    std::string list = "A1 Elsewhere 3:10\n";
    const char* titles[] = {"Dawn", "Noon / Heat", "Dusk"};
    for (int k = 0; k < 3; ++k) {
        const auto seconds = static_cast<int>(
            (album.songs[k].end - album.songs[k].start) / 44100.0 + (k % 2 ? -2 : 2) + 0.5);
        list += "A" + std::to_string(k + 2) + ". " + titles[k] + " (" +
                std::to_string(seconds / 60) + ":" + (seconds % 60 < 10 ? "0" : "") +
                std::to_string(seconds % 60) + ")\n";
    }
    list += "B1 Other Side 4:44\n";
    test::writeBytes(dir.file("list.txt"), test::Bytes(list.begin(), list.end()));
    for (const std::vector<std::string>& lines :
         {std::vector<std::string>{}, std::vector<std::string>{"--lines", "2-4"}}) {
        std::vector<std::string> args = {"split", path, "--track-list", dir.file("list.txt")};
        args.insert(args.end(), lines.begin(), lines.end());
        const test::CliResult listed = test::runCli(args);
        EXPECT_EQ(listed.status, 0) << listed.err;
        EXPECT_EQ(listed.err.substr(0, 46), "the tracks are lines 2-4 of the track list; th");
        EXPECT_EQ(startsOf(listed.out), startsOf(automatic.out));
        ASSERT_EQ(linesOf(listed.out).size(), 4u);
        EXPECT_EQ(linesOf(listed.out)[2].substr(0, 15), "02 Noon - Heat\t");
    }
    std::filesystem::create_directory(dir.file("out"));
    const test::CliResult saved =
        test::runCli({"split", path, "--track-list", dir.file("list.txt"), "--save", "--out",
                      dir.file("out"), "--format", "flac"});
    EXPECT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(test::entriesOf(dir.file("out")),
              (std::vector<std::string>{"01 Dawn.flac", "02 Noon - Heat.flac", "03 Dusk.flac"}));

    const test::CliResult titled =
        test::runCli({"split", path, "--track-list", dir.file("list.txt"), "--titles", path});
    EXPECT_EQ(titled.status, 1);
    EXPECT_NE(titled.err.find("--titles does not go with --track-list"), std::string::npos);
}

} // namespace
} // namespace sundra
