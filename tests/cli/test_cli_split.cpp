// sundra-cli split: the pieces of the whole file with their frames and clock
// texts, the export with --save, and the refusals.

#include "tests/cli/cli_runner.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace sundra {
namespace {

namespace fs = std::filesystem;
const WaveFormat kStereo16{2, 44100, 16};
constexpr std::int32_t kBlock = 11025;
constexpr std::int32_t kSecond = 44100;
const std::string kHeader = "name\tstart_frame\tend_frame\tstart\tend\ttotal\n";

// 4 s sound, 2 s silence, 4 s sound, 3 s silence. The sound is a sawtooth from
// 1000 to 2999 (loud at the default level 0.05, quiet at 0.1), so every exported
// frame can also be told from its neighbours.
std::string twoSongs(const test::TempDir& dir, const std::string& name) {
    const test::Bytes samples =
        test::sawtoothSongs({4 * kSecond, -2 * kSecond, 4 * kSecond, -3 * kSecond});
    const std::string path = dir.file(name);
    test::writeBytes(path, test::canonicalWav(kStereo16, samples));
    return path;
}

test::Bytes slice(const test::Bytes& wav, std::int32_t start, std::int32_t end) {
    return test::canonicalWav(
        kStereo16, test::Bytes(wav.begin() + 44 + start * 4, wav.begin() + 44 + end * 4));
}

TEST(CliSplit, ListsThePiecesWithTheirFramesAndTimes) {
    test::TempDir dir;
    const std::string path = twoSongs(dir, "album.wav");
    const test::CliResult trimmed = test::runCli({"split", path});
    EXPECT_EQ(trimmed.status, 0) << trimmed.err;
    EXPECT_EQ(trimmed.err, "");
    EXPECT_EQ(trimmed.out, kHeader + "album-00\t0\t176400\t00:00:00\t00:00:04\t00:00:04\n"
                                     "album-01\t264600\t441000\t00:00:06\t00:00:10\t00:00:04\n");

    const test::CliResult whole = test::runCli({"split", path, "--trim-space", "0"});
    EXPECT_EQ(whole.status, 0) << whole.err;
    EXPECT_EQ(whole.out, kHeader + "album-00\t0\t264600\t00:00:00\t00:00:06\t00:00:06\n"
                                   "album-01\t264600\t573300\t00:00:06\t00:00:13\t00:00:07\n");

    // A minimum of 5 s drops both songs; a sense level of 100 hears nothing.
    EXPECT_EQ(test::runCli({"split", path, "--minimum-time", "50"}).out, kHeader);
    EXPECT_EQ(test::runCli({"split", path, "--sense-level", "100", "--trim-space", "0"}).out,
              kHeader + "album-00\t0\t573300\t00:00:00\t00:00:13\t00:00:13\n");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"album.wav"});
}

TEST(CliSplit, NamesThePiecesAfterTheFileTitleLiterally) {
    test::TempDir dir;
    // 101 one-block sounds, each followed by one quiet block.
    std::vector<test::Run> runs;
    for (int i = 0; i < 101; ++i) {
        runs.push_back({kBlock, 10000});
        runs.push_back({kBlock, 0});
    }
    const std::string path = dir.file("a.wav");
    test::writeRunsWav(path, kStereo16, runs);
    const test::CliResult result =
        test::runCli({"split", path, "--sense-time", "0", "--minimum-time", "0"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.rfind(kHeader + "a-00\t0\t11025\t", 0), 0u) << result.out.substr(0, 200);
    EXPECT_NE(result.out.find("\na-99\t2182950\t2193975\t00:00:49\t00:00:49\t00:00:00\n"),
              std::string::npos);
    const std::string last = "a-100\t2205000\t2216025\t00:00:50\t00:00:50\t00:00:00\n";
    ASSERT_GE(result.out.size(), last.size());
    EXPECT_EQ(result.out.substr(result.out.size() - last.size()), last);

    const std::string percent = dir.file("100% %s live.wav");
    test::writeRunsWav(percent, kStereo16, {{2 * kSecond, 10000}, {2 * kSecond, 0}});
    EXPECT_EQ(test::runCli({"split", percent}).out,
              kHeader + "100% %s live-00\t0\t88200\t00:00:00\t00:00:02\t00:00:02\n");
}

TEST(CliSplit, SaveWritesEveryPieceBesideTheSourceOrIntoTheOutputFolder) {
    test::TempDir dir;
    const std::string path = twoSongs(dir, "album.wav");
    const test::Bytes source = test::readBytes(path);
    const test::CliResult saved = test::runCli({"split", path, "--save", "--progress"});
    EXPECT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(saved.out, kHeader + "album-00\t0\t176400\t00:00:00\t00:00:04\t00:00:04\n"
                                   "album-01\t264600\t441000\t00:00:06\t00:00:10\t00:00:04\n");
    EXPECT_NE(saved.err.find("100%"), std::string::npos) << saved.err;
    EXPECT_EQ(test::readBytes(dir.file("album-00.wav")), slice(source, 0, 176400));
    EXPECT_EQ(test::readBytes(dir.file("album-01.wav")), slice(source, 264600, 441000));
    EXPECT_EQ(test::readBytes(path), source);
    EXPECT_EQ(dir.entries(),
              (std::vector<std::string>{"album-00.wav", "album-01.wav", "album.wav"}));

    const fs::path out = dir.path() / "out";
    fs::create_directory(out);
    const test::CliResult elsewhere =
        test::runCli({"split", path, "--trim-space", "0", "--save", "--out", out.string()});
    EXPECT_EQ(elsewhere.status, 0) << elsewhere.err;
    EXPECT_EQ(test::readBytes((out / "album-00.wav").string()), slice(source, 0, 264600));
    EXPECT_EQ(test::readBytes((out / "album-01.wav").string()), slice(source, 264600, 573300));
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 2);
}

TEST(CliSplit, ClickFilterIgnoresAClickInTheLeadIn) {
    // 2 s of silence with a two-frame click at 1 s, 4 s of sound, 2 s of silence.
    test::TempDir dir;
    const std::string path = dir.file("side.wav");
    test::writeRunsWav(
        path, kStereo16,
        {{kSecond, 0}, {2, 12000}, {kSecond - 2, 0}, {4 * kSecond, 2500}, {2 * kSecond, 0}});
    const test::CliResult plain = test::runCli({"split", path});
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.out, kHeader + "side-00\t44100\t264600\t00:00:01\t00:00:06\t00:00:05\n");
    const test::CliResult filtered = test::runCli({"split", path, "--click-filter", "50"});
    EXPECT_EQ(filtered.status, 0) << filtered.err;
    EXPECT_EQ(filtered.out, kHeader + "side-00\t88200\t264600\t00:00:02\t00:00:06\t00:00:04\n");
}

TEST(CliSplit, RefusedFilesBadOptionsAndFailedWritesExitWithOne) {
    test::TempDir dir;
    const std::string cut = dir.file("cut.wav");
    test::Bytes image = test::canonicalWav(kStereo16, test::Bytes(400, 1));
    image.resize(30);
    test::writeBytes(cut, image);
    const test::CliResult refused = test::runCli({"split", cut});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "file can not opened\nThe file ends inside its header.\n");
    EXPECT_EQ(refused.out, "");

    const test::CliResult missing = test::runCli({"split", dir.file("none.wav")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find(dir.file("none.wav") + " was not found."), std::string::npos)
        << missing.err;

    const std::string path = twoSongs(dir, "album.wav");
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"split", path, "--sense-level", "101"},
          std::vector<std::string>{"split", path, "--sense-time", "ten"},
          std::vector<std::string>{"split", path, "--trim-space", "2"},
          std::vector<std::string>{"split", path, "--click-filter", "101"},
          std::vector<std::string>{"split", path, "--click-filter", "-1"},
          std::vector<std::string>{"split", path, "--minimum-time"},
          std::vector<std::string>{"split", path, "--bogus"},
          std::vector<std::string>{"split", path, "--out", dir.path().string()},
          std::vector<std::string>{"split"}}) {
        const test::CliResult result = test::runCli(bad);
        EXPECT_EQ(result.status, 1) << bad.back();
        EXPECT_EQ(result.out, "") << bad.back();
        EXPECT_NE(result.err.find("usage: sundra-cli split"), std::string::npos) << result.err;
    }

    // A folder that refuses new files: read-only, or one of the kernel's for a
    // user whom permissions do not stop.
    const fs::path locked = dir.path() / "locked";
    fs::create_directory(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    std::string folder = locked.string();
    if (::access(folder.c_str(), W_OK) == 0)
        folder = "/sys/kernel";
    const test::CliResult denied = test::runCli({"split", path, "--save", "--out", folder});
    EXPECT_EQ(denied.status, 1);
    EXPECT_NE(denied.err.find("Access to " + folder + "/album-00.wav was denied."),
              std::string::npos)
        << denied.err;
    fs::permissions(locked, fs::perms::owner_all);
    EXPECT_TRUE(fs::is_empty(locked));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"album.wav", "cut.wav", "locked"}));
}

} // namespace
} // namespace sundra
