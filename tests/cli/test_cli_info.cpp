// sundra-cli info: the parsed format, offset, frames and duration, and the
// document's own message for a file it refuses; the program's --help and
// --version.

#include "core/version.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace sundra {
namespace {

TEST(CliInfo, PrintsFormatOffsetFramesAndDuration) {
    test::TempDir dir;
    const std::string path = dir.file("song.wav");
    test::writeBytes(path, test::canonicalWav(WaveFormat{2, 44100, 16}, test::Bytes(4002, 0)));
    const test::CliResult result = test::runCli({"info", path});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "file: " + path +
                              "\n"
                              "format: 2 channels, 44100 Hz, 16 bits\n"
                              "sample format: 16-bit integer\n"
                              "data offset: 44\n"
                              "frames: 1000\n"
                              "duration: 00:00:00\n");

    // An hour, two minutes and three seconds of 8 kHz 8-bit mono behind an
    // 18-byte format chunk (made long without writing it: the file is sparse).
    const std::string longPath = dir.file("long.wav");
    test::Bytes image = test::canonicalWav(WaveFormat{1, 8000, 8}, {});
    image[16] = 18;
    image.insert(image.begin() + 36, {0, 0});
    test::writeBytes(longPath, image);
    std::filesystem::resize_file(longPath, 46 + 3723 * 8000 + 7999);
    const test::CliResult longResult = test::runCli({"info", longPath});
    EXPECT_EQ(longResult.status, 0) << longResult.err;
    EXPECT_NE(longResult.out.find("format: 1 channels, 8000 Hz, 8 bits\n"), std::string::npos);
    EXPECT_NE(longResult.out.find("data offset: 46\n"), std::string::npos) << longResult.out;
    EXPECT_NE(longResult.out.find("frames: 29791999\n"), std::string::npos) << longResult.out;
    EXPECT_NE(longResult.out.find("duration: 01:02:03\n"), std::string::npos) << longResult.out;
}

TEST(CliInfo, RefusedAndMissingFilesFailWithAMessage) {
    test::TempDir dir;
    const std::string cut = dir.file("cut.wav");
    test::Bytes image = test::canonicalWav(WaveFormat{}, test::Bytes(400, 1));
    image.resize(30); // ends inside the format chunk
    test::writeBytes(cut, image);
    const test::CliResult refused = test::runCli({"info", cut});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "file can not opened\n");
    EXPECT_EQ(refused.out, "");

    const std::string fourBits = dir.file("4bit.wav");
    test::writeBytes(fourBits, test::canonicalWav(WaveFormat{2, 44100, 4}, test::Bytes(400, 1)));
    EXPECT_EQ(test::runCli({"info", fourBits}).err, "file can not opened\n");

    const test::CliResult missing = test::runCli({"info", dir.file("none.wav")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find(dir.file("none.wav") + " was not found."), std::string::npos)
        << missing.err;

    const test::CliResult usage = test::runCli({"info"});
    EXPECT_EQ(usage.status, 1);
    EXPECT_NE(usage.err.find("usage"), std::string::npos) << usage.err;
}

TEST(CliInfo, HelpAndVersionAnswerOnStandardOutputAndOnlyAlone) {
    const test::CliResult version = test::runCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("sundra-cli ") + kVersion + "\n");
    const test::CliResult help = test::runCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: sundra-cli COMMAND ...\n", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("  sundra-cli split FILE.wav"), std::string::npos) << help.out;
    EXPECT_EQ(help.err, "");
    // Followed by anything, they are no command: the usage, as a failure.
    const test::CliResult extra = test::runCli({"--version", "x"});
    EXPECT_EQ(extra.status, 1);
    EXPECT_EQ(extra.out, "");
    EXPECT_NE(extra.err.find("usage: sundra-cli"), std::string::npos) << extra.err;
}

} // namespace
} // namespace sundra
