// sundra-cli with sources and targets that are not plain files on a roomy disk:
// a pipe or a folder as the source, and a limit on the size of written files.

#include "tests/cli/cli_runner.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

namespace sundra {
namespace {

namespace fs = std::filesystem;
constexpr std::int32_t kSecond = 44100;

std::vector<std::string> entriesOf(const std::string& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

TEST(CliUnusualFiles, APipeOrAFolderAsTheSourceIsRefusedAtOnce) {
    test::TempDir dir;
    const std::string pipe = dir.file("pipe.wav");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string folder = dir.file("folder.wav");
    fs::create_directory(folder);
    for (const std::string& source : {pipe, folder}) {
        const std::vector<std::vector<std::string>> commands{
            {"info", source},
            {"copy", source, dir.file("copy.wav")},
            {"split", source, "--save", "--out", dir.path().string()}};
        for (const std::vector<std::string>& command : commands) {
            SCOPED_TRACE(command[0] + " " + source);
            const test::CliResult result = test::runCli(command);
            EXPECT_EQ(result.status, 1);
            EXPECT_EQ(result.err,
                      "sundra-cli " + command[0] + ": Access to " + source + " was denied.\n");
            EXPECT_EQ(result.out, "");
        }
    }
    EXPECT_FALSE(fs::exists(dir.file("copy.wav")));
}

TEST(CliUnusualFiles, AFileSizeLimitFailsTheExportLikeAFullDisk) {
    test::TempDir dir;
    const std::string source = dir.file("album.wav");
    test::writeRunsWav(source, WaveFormat{2, 44100, 16},
                       {{4 * kSecond, 5000}, {2 * kSecond, 0}, {4 * kSecond, 5000}});
    const std::string out = dir.file("out");
    fs::create_directory(out);
    // Each track is 705,644 bytes: the limit lets the header through, not the
    // samples.
    const test::CliResult split =
        test::runCliWithFileSizeLimit({"split", source, "--save", "--out", out}, 100000);
    EXPECT_EQ(split.status, 1) << "the program was killed";
    EXPECT_EQ(split.err, "sundra-cli split: Disk full while accessing " + out + "/album-00.wav.\n");
    EXPECT_TRUE(entriesOf(out).empty()) << entriesOf(out).front();

    const std::string copy = dir.file("copy.wav");
    const test::CliResult copied = test::runCliWithFileSizeLimit({"copy", source, copy}, 100000);
    EXPECT_EQ(copied.status, 1) << "the program was killed";
    EXPECT_EQ(copied.err, "sundra-cli copy: Disk full while accessing " + copy + ".\n");
}

} // namespace
} // namespace sundra
