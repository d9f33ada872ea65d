// sundra-cli play and record, run on the silent sound device so that they
// behave the same on every machine.

#include "tests/cli/cli_runner.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

namespace sundra {
namespace {

class CliSound : public ::testing::Test {
protected:
    void SetUp() override { setenv("SUNDRA_AUDIO", "silent", 1); }
    void TearDown() override { unsetenv("SUNDRA_AUDIO"); }

    test::TempDir dir_;
};

TEST_F(CliSound, RecordWritesTheRequestedStretchOfSilenceAsCdAudio) {
    const std::string path = dir_.file("take.wav");
    const auto result = test::runCli({"record", path, "--seconds", "0.5"});
    ASSERT_EQ(result.status, 0) << result.err;
    const test::Bytes bytes = test::readBytes(path);
    // A recording keeps a 36-byte JUNK chunk in front of the format, room for
    // the RF64 sizes should it pass 4 GiB.
    constexpr std::size_t kHeader = 80;
    ASSERT_EQ(bytes.size(), kHeader + 22050u * 4u);
    EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "JUNK");
    EXPECT_EQ(test::get32(bytes, 4), kHeader - 8 + 22050u * 4u);
    EXPECT_EQ(test::get16(bytes, 48 + 10), 2u);     // channels
    EXPECT_EQ(test::get32(bytes, 48 + 12), 44100u); // rate
    EXPECT_EQ(test::get16(bytes, 48 + 22), 16u);    // bits
    EXPECT_EQ(std::string(bytes.begin() + 72, bytes.begin() + 76), "data");
    EXPECT_EQ(test::get32(bytes, 76), 22050u * 4u);
    for (std::size_t i = kHeader; i < bytes.size(); ++i)
        ASSERT_EQ(bytes[i], 0) << "at byte " << i;
}

TEST_F(CliSound, RecordRefusesAMissingOrEmptyDuration) {
    EXPECT_EQ(test::runCli({"record", dir_.file("a.wav")}).status, 1);
    const auto zero = test::runCli({"record", dir_.file("b.wav"), "--seconds", "0"});
    EXPECT_EQ(zero.status, 1);
    EXPECT_NE(zero.err.find("--seconds"), std::string::npos) << zero.err;
}

TEST_F(CliSound, PlayPlaysTheChosenStretchInRealTime) {
    const std::string path = dir_.file("song.wav");
    test::writeRunsWav(path, WaveFormat{2, 44100, 16}, {{44100, 1000}, {44100, -1000}});
    const auto before = std::chrono::steady_clock::now();
    const auto result = test::runCli({"play", path, "--from", "1", "--seconds", "0.5"});
    const auto took = std::chrono::steady_clock::now() - before;
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("from 00:00:01"), std::string::npos) << result.out;
    EXPECT_EQ(result.err, "");
    // The silent device plays in real time: half a second at least.
    EXPECT_GE(took, std::chrono::milliseconds(450));
}

TEST_F(CliSound, PlayPlaysSixtyFourBitFloats) {
    const std::string path = dir_.file("double.wav");
    const WaveFormat format{2, 8000, 64, SampleEncoding::Float};
    test::Bytes image = test::canonicalWav(format, test::Bytes(800 * 16, 0));
    image[20] = 3; // IEEE float
    test::writeBytes(path, image);
    const auto result = test::runCli({"play", path});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("playing"), std::string::npos) << result.out;
    EXPECT_EQ(result.err, "");
}

TEST_F(CliSound, PlayReportsWhatItCannotPlay) {
    const auto missing = test::runCli({"play", dir_.file("none.wav")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("was not found"), std::string::npos) << missing.err;

    const std::string notWav = dir_.file("text.wav");
    test::writeBytes(notWav, test::Bytes(100, 'x'));
    const auto refused = test::runCli({"play", notWav});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "file can not opened\nThe file is not a WAV file.\n");

    const std::string path = dir_.file("short.wav");
    test::writeRunsWav(path, WaveFormat{1, 8000, 16}, {{8000, 5}});
    const auto pastEnd = test::runCli({"play", path, "--from", "2"});
    EXPECT_EQ(pastEnd.status, 1);
    EXPECT_NE(pastEnd.err.find("nothing to play"), std::string::npos) << pastEnd.err;

    const auto negative = test::runCli({"play", path, "--from", "-1"});
    EXPECT_EQ(negative.status, 1);
}

} // namespace
} // namespace sundra
