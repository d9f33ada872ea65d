// A recording whose process dies midway must leave a playable file: the
// capture loop rewrites the header every two seconds of audio. The test runs a
// recording in a child process on the silent real-time port, kills it with
// SIGKILL once a few seconds are on disk, and checks what is left.

#include "core/file.h"
#include "core/wave_file.h"

#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace sundra {
namespace {

// RIFF, a JUNK chunk that keeps room for the RF64 sizes, the format and the
// data chunk's head; the data size is its last field.
constexpr std::int64_t kHeaderBytes = 80;
constexpr std::size_t kDataSizeAt = 76;
constexpr std::int64_t kBlockBytes = 11028;
constexpr std::int64_t kBytesPerSecond = 176400;
constexpr std::int64_t kBlocksBetweenHeaderRewrites = 32;

std::int64_t sizeOf(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<std::int64_t>(size);
}

// Starts a recorder (the program and its arguments) on the silent port;
// returns its process id.
pid_t startRecording(std::vector<std::string> command) {
    std::vector<std::string> environment{"SUNDRA_AUDIO=silent"};
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::string(*entry).rfind("SUNDRA_AUDIO=", 0) != 0) {
            environment.emplace_back(*entry);
        }
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::vector<char*> argv;
    for (std::string& argument : command) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid_t child = -1;
    if (posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) {
        return -1;
    }
    return child;
}

// The recorders: the window's capture loop (in a small child program) and
// sundra-cli record. Each gets the output path and 30 seconds.
using Recorder = std::vector<std::string> (*)(const std::string& path);

std::vector<std::string> captureLoopChild(const std::string& path) {
    return {SUNDRA_RECORD_CHILD, path, "30"};
}

std::vector<std::string> commandLine(const std::string& path) {
    return {SUNDRA_CLI, "record", path, "--seconds", "30"};
}

class RecordingCrash : public testing::TestWithParam<Recorder> {};

TEST_P(RecordingCrash, KilledRecordingLeavesPlayableFileWhoseHeaderMissesAtMostTheLastTwoSeconds) {
    test::TempDir folder;
    const std::string path = folder.file("unattended.wav");
    const pid_t child = startRecording(GetParam()(path));
    ASSERT_GT(child, 0);

    // Wait until four and a half seconds are on disk (two header rewrites have
    // happened), giving up after a generous deadline.
    const std::int64_t wanted = kHeaderBytes + kBytesPerSecond * 9 / 2;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (sizeOf(path) < wanted && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_EQ(kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the recording ended by itself, status " << status;
    ASSERT_GE(sizeOf(path), wanted) << "the recording did not reach 4.5 s in time";

    // Other players trust the header's sizes: they must cover all but the
    // blocks written since the last rewrite.
    const std::int64_t writtenBytes = sizeOf(path) - kHeaderBytes;
    const test::Bytes wav = test::readBytes(path);
    const std::int64_t coveredBytes = test::get32(wav, kDataSizeAt);
    EXPECT_EQ(test::get32(wav, 4), kHeaderBytes - 8 + coveredBytes);
    EXPECT_EQ(coveredBytes % kBlockBytes, 0);
    EXPECT_LE(coveredBytes, writtenBytes);
    EXPECT_GE(coveredBytes, writtenBytes - kBlocksBetweenHeaderRewrites * kBlockBytes)
        << "the header covers " << coveredBytes << " of " << writtenBytes << " bytes";
    EXPECT_GE(coveredBytes, 2 * kBlocksBetweenHeaderRewrites * kBlockBytes);

    // The program itself opens it, and the samples are the silent port's.
    WaveFileReader reader;
    ASSERT_TRUE(reader.attach(std::make_unique<FileByteStream>(std::make_unique<File>(
        path, File::Access::Read, File::Share::DenyWrite, File::Disposition::OpenExisting))));
    EXPECT_EQ(reader.format(), WaveFormat{});
    EXPECT_EQ(reader.length(), writtenBytes / 4);
    EXPECT_EQ(std::count(wav.begin() + kHeaderBytes, wav.end(), 0), writtenBytes);
}

INSTANTIATE_TEST_SUITE_P(Recorders, RecordingCrash, testing::Values(captureLoopChild, commandLine),
                         [](const testing::TestParamInfo<Recorder>& info) {
                             return info.index == 0 ? std::string("CaptureLoop")
                                                    : std::string("CommandLine");
                         });

} // namespace
} // namespace sundra
