// sundra-cli split --cue / --labels and cut: the lists that split writes, read
// by outside cue tools and by cut, which must give back the same tracks.

#include "tests/cli/cli_runner.h"
#include "tests/support/outside_tools.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace sundra {
namespace {

namespace fs = std::filesystem;
const WaveFormat kStereo16{2, 44100, 16};
constexpr std::int32_t kSecond = 44100;
constexpr std::int32_t kCdFrame = kSecond / 75;

// Three songs of 3.3 s, 2.1 s and 5 s between pauses of 1.6 s: the pieces start
// on quarter seconds, which are not whole CD frames. A sawtooth makes every
// exported frame tell from its neighbours.
std::string threeSongs(const test::TempDir& dir) {
    const test::Bytes samples =
        test::sawtoothSongs({33 * kSecond / 10, -16 * kSecond / 10, 21 * kSecond / 10,
                             -16 * kSecond / 10, 5 * kSecond, -16 * kSecond / 10});
    const std::string path = dir.file("live set.wav");
    test::writeBytes(path, test::canonicalWav(kStereo16, samples));
    return path;
}

struct Row {
    std::string name;
    std::int32_t start;
    std::int32_t end;
};

// The rows of the table that split and cut print.
std::vector<Row> tableRows(const std::string& out) {
    std::vector<Row> rows;
    std::istringstream lines(out);
    std::string line;
    std::getline(lines, line); // the header
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        Row row;
        std::string start;
        std::string end;
        std::getline(fields, row.name, '\t');
        std::getline(fields, start, '\t');
        std::getline(fields, end, '\t');
        row.start = std::stoi(start);
        row.end = std::stoi(end);
        rows.push_back(row);
    }
    return rows;
}

std::string run(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        out += buffer;
    pclose(pipe);
    return out;
}

std::vector<std::string> filesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class CliCut : public ::testing::Test {
protected:
    void SetUp() override {
        source = threeSongs(dir);
        cue = dir.file("set.cue");
        labels = dir.file("set.txt");
        fs::create_directory(dir.path() / "split");
        split = test::runCli({"split", source, "--cue", cue, "--labels", labels, "--save", "--out",
                              (dir.path() / "split").string()});
        ASSERT_EQ(split.status, 0) << split.err;
        rows = tableRows(split.out);
        ASSERT_EQ(rows.size(), 3u) << split.out;
    }

    test::TempDir dir;
    std::string source;
    std::string cue;
    std::string labels;
    test::CliResult split;
    std::vector<Row> rows;
};

TEST_F(CliCut, TheLabelsOfSplitCutTheSameTracksByteForByte) {
    fs::create_directory(dir.path() / "cut");
    const test::CliResult cut = test::runCli(
        {"cut", source, "--labels", labels, "--save", "--out", (dir.path() / "cut").string()});
    ASSERT_EQ(cut.status, 0) << cut.err;
    EXPECT_EQ(cut.out, split.out);
    const std::vector<std::string> names = filesIn(dir.path() / "split");
    ASSERT_EQ(names,
              (std::vector<std::string>{"live set-00.wav", "live set-01.wav", "live set-02.wav"}));
    EXPECT_EQ(filesIn(dir.path() / "cut"), names);
    for (const std::string& name : names) {
        EXPECT_EQ(test::readBytes((dir.path() / "cut" / name).string()),
                  test::readBytes((dir.path() / "split" / name).string()))
            << name;
    }
}

TEST_F(CliCut, TheCueSheetCutsTheSameTracksWithinOneCdFrame) {
    const test::CliResult cut = test::runCli({"cut", source, "--cue", cue});
    ASSERT_EQ(cut.status, 0) << cut.err;
    const std::vector<Row> cutRows = tableRows(cut.out);
    ASSERT_EQ(cutRows.size(), rows.size()) << cut.out;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(cutRows[i].name, rows[i].name);
        EXPECT_LT(std::abs(rows[i].start - cutRows[i].start), kCdFrame) << i;
        EXPECT_LT(std::abs(rows[i].end - cutRows[i].end), kCdFrame) << i;
    }
}

TEST_F(CliCut, CueToolsReadTheBreakpointsAndTitlesOfTheRows) {
    // cuebreakpoints lists where each track after the first starts, as m:ss.ff.
    std::string expected;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        // The sheet gives the nearest CD frame.
        const std::int64_t cd =
            (static_cast<std::int64_t>(rows[i].start) * 150 + kSecond) / (2 * kSecond);
        char text[32];
        std::snprintf(text, sizeof text, "%lld:%02lld.%02lld\n", static_cast<long long>(cd / 4500),
                      static_cast<long long>(cd / 75 % 60), static_cast<long long>(cd % 75));
        expected += text;
    }
    EXPECT_EQ(run("cuebreakpoints '" + cue + "' 2>&1"), expected);
    EXPECT_EQ(run("cueprint -t '%n %t\\n' '" + cue + "' 2>&1"),
              "1 live set-00\n2 live set-01\n3 live set-02\n");
}

TEST_F(CliCut, BadListsAreRefusedNamingTheLineAndSaveNothing) {
    const std::string bad = dir.file("bad.txt");
    test::writeBytes(bad, test::Bytes{'0', '\t', '1', '\t', 'a', '\n', '2', '\t', '9', '9', '\n'});
    fs::create_directory(dir.path() / "none");
    const test::CliResult cut = test::runCli(
        {"cut", source, "--labels", bad, "--save", "--out", (dir.path() / "none").string()});
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.out, "");
    EXPECT_NE(cut.err.find(bad + ": line 2: the time 99.000000 s lies past the end"),
              std::string::npos)
        << cut.err;
    EXPECT_TRUE(filesIn(dir.path() / "none").empty());

    // What a list holds that gives no row is named on standard error.
    const std::string other = dir.file("other.cue");
    const std::string sheet = "FILE x.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n";
    test::writeBytes(other, test::Bytes(sheet.begin(), sheet.end()));
    const test::CliResult wrongFile = test::runCli({"cut", source, "--cue", other});
    EXPECT_EQ(wrongFile.status, 0);
    EXPECT_EQ(wrongFile.err, other + ": line 1: the sheet names \"x.wav\"; its times were read "
                                     "for live set.wav\n");

    EXPECT_EQ(test::runCli({"cut", source}).status, 1);
    EXPECT_EQ(test::runCli({"cut", source, "--cue", cue, "--labels", labels}).status, 1);
    EXPECT_EQ(test::runCli({"cut", source, "--cue", dir.file("missing.cue")}).status, 1);
}

TEST_F(CliCut, TheAlbumGoesIntoTheCueSheetAndCutTagsTheTracksWithIt) {
    const std::string titles = dir.file("titles.txt");
    const std::string text = "Intro\nSide/Long Song\nSay \"Hi\"\n";
    test::writeBytes(titles, test::Bytes(text.begin(), text.end()));
    const std::string albumCue = dir.file("album.cue");
    fs::create_directory(dir.path() / "flac");
    const test::CliResult tagged =
        test::runCli({"split", source, "--save", "--out", (dir.path() / "flac").string(),
                      "--format", "flac", "--titles", titles, "--artist", "The Band", "--album",
                      "Live", "--year", "1999", "--cue", albumCue});
    ASSERT_EQ(tagged.status, 0) << tagged.err;
    // The outside readers find the same breakpoints, and the album and titles.
    EXPECT_EQ(run("cuebreakpoints '" + albumCue + "' 2>&1"), run("cuebreakpoints '" + cue + "'"));
    EXPECT_EQ(run("cueprint -d '%P|%T|%N\\n' -t '%n|%t\\n' '" + albumCue + "' 2>&1"),
              "The Band|Live|3\n1|Intro\n2|Side/Long Song\n3|Say 'Hi'\n");

    // Without titles each track keeps its row's name in a REM NAME, which the
    // outside readers pass over.
    const std::string fieldsCue = dir.file("fields.cue");
    ASSERT_EQ(test::runCli({"split", source, "--save", "--out", (dir.path() / "flac").string(),
                            "--year", "May 1999", "--cue", fieldsCue})
                  .status,
              0);
    EXPECT_EQ(run("cuebreakpoints '" + fieldsCue + "' 2>&1"), run("cuebreakpoints '" + cue + "'"));
    EXPECT_EQ(run("cueprint -d '%N\\n' -t '%n|%t\\n' '" + fieldsCue + "' 2>&1"),
              "3\n1|live set-00\n2|live set-01\n3|live set-02\n");

    // cut reads them back: the names the titles give and the tags, where the
    // command line does not say otherwise.
    fs::create_directory(dir.path() / "cut");
    const test::CliResult cut =
        test::runCli({"cut", source, "--cue", albumCue, "--save", "--out",
                      (dir.path() / "cut").string(), "--format", "flac", "--artist", "Guest"});
    ASSERT_EQ(cut.status, 0) << cut.err;
    EXPECT_EQ(
        filesIn(dir.path() / "cut"),
        (std::vector<std::string>{"01 Intro.flac", "02 Side-Long Song.flac", "03 Say 'Hi'.flac"}));
    const std::string tags = test::withCapitalNames(test::outputOf(
        "metaflac --export-tags-to=- " +
        test::shellQuoted((dir.path() / "cut" / "02 Side-Long Song.flac").string())));
    for (const char* line : {"TITLE=Side/Long Song\n", "ARTIST=Guest\n", "ALBUM=Live\n",
                             "TRACKNUMBER=2\n", "DATE=1999\n"})
        EXPECT_NE(tags.find(line), std::string::npos) << line << " in\n" << tags;

    // Titles that do not match the tracks stop before the sheet is written.
    const std::string two = dir.file("two.txt");
    test::writeBytes(two, test::Bytes{'a', '\n', 'b', '\n'});
    const std::string none = dir.file("none.cue");
    EXPECT_NE(test::runCli({"split", source, "--save", "--out", (dir.path() / "flac").string(),
                            "--titles", two, "--cue", none})
                  .status,
              0);
    EXPECT_FALSE(fs::exists(none));
    EXPECT_NE(test::runCli({"cut", source, "--cue", albumCue, "--album", "X"}).status, 0);
}

} // namespace
} // namespace sundra
