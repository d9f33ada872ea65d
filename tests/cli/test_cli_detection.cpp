// sundra-cli split --tracks N and sundra-cli analyze on a generated album of
// three songs with gaps of 3, 1.5 and (between the last two) 2 s and a silent
// dip inside the first song.

#include "tests/cli/cli_runner.h"
#include "tests/support/generated_album.h"
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

TEST(CliTracks, SplitsIntoTheCountAtTheLongestPausesOrRefuses) {
    test::TempDir dir;
    test::Album album;
    const std::string path = threeSongs(dir, album);

    const test::CliResult two = test::runCli({"split", path, "--tracks", "2"});
    EXPECT_EQ(two.status, 0) << two.err;
    const std::vector<std::string> rows = linesOf(two.out);
    ASSERT_EQ(rows.size(), 3u);
    // The 3 s gap takes the cut: 1 s + 6 s in, the second piece starts at 10 s.
    EXPECT_EQ(rows[1], "album-00\t44100\t308700\t00:00:01\t00:00:07\t00:00:06");
    EXPECT_EQ(rows[2].substr(0, 23), "album-01\t441000\t926100\t");

    const test::CliResult four = test::runCli({"split", path, "--tracks", "4", "--save"});
    EXPECT_EQ(four.status, 0) << four.err;
    EXPECT_EQ(linesOf(four.out).size(), 5u); // the dip inside the first song is the third pause
    EXPECT_EQ(dir.entries().size(), 5u);

    test::TempDir empty;
    const std::string again = threeSongs(empty, album);
    const test::CliResult five = test::runCli({"split", again, "--tracks", "5", "--save"});
    EXPECT_EQ(five.status, 1);
    EXPECT_EQ(five.out, "");
    EXPECT_EQ(five.err, "sundra-cli split: found only 3 pauses\n");
    EXPECT_EQ(empty.entries(), std::vector<std::string>{"album.wav"});

    for (const char* bad : {"1", "1000", "two"}) {
        const test::CliResult refused = test::runCli({"split", again, "--tracks", bad});
        EXPECT_EQ(refused.status, 1) << bad;
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
    const test::CliResult bySplit = test::runCli(
        {"split", path, "--sense-level", "40", "--click-filter", "50", "--tracks", "3"});
    EXPECT_EQ(bySplit.status, 0) << bySplit.err;
    EXPECT_EQ(linesOf(bySplit.out).size(), 4u);

    const test::CliResult missing = test::runCli({"analyze", dir.file("none.wav")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("was not found"), std::string::npos) << missing.err;
}

} // namespace
} // namespace sundra
