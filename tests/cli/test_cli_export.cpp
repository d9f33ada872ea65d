// sundra-cli split --save with a format and album information: the titled
// file names, the tags and samples of the FLAC files, and the refusals that
// come before anything is written.

#include "tests/cli/cli_runner.h"
#include "tests/support/outside_tools.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace sundra {
namespace {

namespace fs = std::filesystem;
const WaveFormat kStereo16{2, 44100, 16};

// Two pieces at the default settings: 3 s of sound, 2 s pause, 3 s, 2 s.
std::string twoPieces(const test::TempDir& dir) {
    const std::string path = dir.file("album.wav");
    test::writeRunsWav(path, kStereo16,
                       {{132300, 3000}, {88200, 0}, {66150, -3000}, {66150, 2500}, {88200, 0}});
    return path;
}

TEST(CliExport, TitledFlacFilesHoldTheWavSamplesAndTheTags) {
    test::TempDir dir;
    const std::string source = twoPieces(dir);
    test::writeBytes(dir.file("titles.txt"),
                     test::Bytes{'I', 'n', 't', 'r', 'o', '\r', '\n', '\n', 'S', 'i', 'd', 'e',
                                 '/', 'L', 'o', 'n', 'g', ' ',  'S',  'o',  'n', 'g', '\n'});
    fs::create_directory(dir.path() / "flac");
    fs::create_directory(dir.path() / "wav");
    const test::CliResult flac = test::runCli(
        {"split", source, "--save", "--out", dir.file("flac"), "--format", "flac", "--titles",
         dir.file("titles.txt"), "--artist", "The Band", "--album", "Live", "--year", "1971"});
    ASSERT_EQ(flac.status, 0) << flac.err;
    EXPECT_NE(flac.out.find("\n02 Side-Long Song\t"), std::string::npos) << flac.out;
    const test::CliResult wav = test::runCli(
        {"split", source, "--save", "--out", dir.file("wav"), "--titles", dir.file("titles.txt")});
    ASSERT_EQ(wav.status, 0) << wav.err;

    EXPECT_EQ(test::entriesOf(dir.path() / "flac"),
              (std::vector<std::string>{"01 Intro.flac", "02 Side-Long Song.flac"}));
    for (const char* stem : {"01 Intro", "02 Side-Long Song"}) {
        const test::Bytes wavFile = test::readBytes(dir.file("wav/" + std::string(stem) + ".wav"));
        EXPECT_EQ(test::decodedSamples(dir.file("flac/" + std::string(stem) + ".flac"), "s16le"),
                  std::string(wavFile.begin() + 44, wavFile.end()))
            << stem;
    }
    // Two threads write the same files.
    fs::create_directory(dir.path() / "two");
    const test::CliResult two =
        test::runCli({"split", source, "--save", "--out", dir.file("two"), "--format", "flac",
                      "--titles", dir.file("titles.txt"), "--artist", "The Band", "--album", "Live",
                      "--year", "1971", "--jobs", "2"});
    ASSERT_EQ(two.status, 0) << two.err;
    EXPECT_EQ(test::entriesOf(dir.path() / "two"), test::entriesOf(dir.path() / "flac"));
    for (const std::string& name : test::entriesOf(dir.path() / "flac"))
        EXPECT_EQ(test::readBytes(dir.file("two/" + name)),
                  test::readBytes(dir.file("flac/" + name)))
            << name;

    const std::string tags = test::withCapitalNames(test::outputOf(
        "metaflac --export-tags-to=- " + test::shellQuoted(dir.file("flac/01 Intro.flac"))));
    for (const char* line :
         {"TITLE=Intro\n", "ARTIST=The Band\n", "ALBUM=Live\n", "TRACKNUMBER=1\n", "DATE=1971\n"})
        EXPECT_NE(tags.find(line), std::string::npos) << line << " in\n" << tags;
}

TEST(CliExport, BadExportOptionsAndATitlesCountMismatchWriteNothing) {
    test::TempDir dir;
    const std::string source = twoPieces(dir);
    test::writeBytes(dir.file("three.txt"), test::Bytes{'a', '\n', 'b', '\n', 'c', '\n'});
    test::writeBytes(dir.file("one.txt"), test::Bytes{'a', '\n'});
    const auto entriesBefore = test::entriesOf(dir.path());
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"--save", "--titles", dir.file("three.txt")},
         "The titles do not match the tracks: 3 titles for 2 tracks."},
        {{"--save", "--format", "flac", "--titles", dir.file("one.txt")},
         "The titles do not match the tracks: 1 title for 2 tracks."},
        {{"--save", "--titles", dir.file("missing.txt")}, "can not be read"},
        {{"--save", "--format", "aiff"}, "option --format takes wav, flac, ogg, opus or mp3"},
        {{"--save", "--format", "ogg", "--quality", "101"}, "--quality must lie between 0 and 100"},
        {{"--format", "flac"}, "the export options need --save"},
        {{"--save", "--format", "opus"}, "Opus takes 8000, 12000, 16000, 24000 or 48000"},
        {{"--save", "--format", "opus", "--jobs", "2"}, "Opus takes 8000"},
        {{"--save", "--jobs", "0"}, "--jobs must lie between 1 and 64"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"split", source};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const test::CliResult result = test::runCli(args);
        EXPECT_EQ(result.status, 1) << c.message;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(test::entriesOf(dir.path()), entriesBefore) << c.message;
    }
}

} // namespace
} // namespace sundra
