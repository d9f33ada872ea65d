// sundra-cli copy: every sample byte survives the reader, the one-second
// buffers and the writer, and the copy carries the canonical header.

#include "tests/cli/cli_runner.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

namespace sundra {
namespace {

using test::Bytes;

Bytes noise(std::size_t count, std::uint32_t seed) {
    Bytes bytes(count);
    for (auto& byte : bytes) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(seed >> 24);
    }
    return bytes;
}

TEST(CliCopy, KeepsEverySampleByteBehindACanonicalHeader) {
    test::TempDir dir;
    const WaveFormat cd{2, 44100, 16};
    const std::string in = dir.file("in.wav");
    const std::string out = dir.file("out.wav");
    // 2.5 s: two full one-second buffers and a partial one.
    const Bytes image = test::canonicalWav(cd, noise(176400 * 5 / 2, 1));
    test::writeBytes(in, image);
    // An older, longer file at the output path must not leave a tail behind.
    test::writeBytes(out, noise(2000000, 2));

    const test::CliResult result = test::runCli({"copy", in, out});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "copied 110250 frames to " + out + "\n");
    EXPECT_EQ(test::readBytes(out), image);
}

TEST(CliCopy, RewritesLenientHeadersAsCanonicalAndDropsAPartialFrame) {
    test::TempDir dir;
    const WaveFormat mono{1, 8000, 16};
    const Bytes samples = noise(2 * 8000 * 3 + 2 * 17, 3); // 3 s and 17 frames
    Bytes image = test::canonicalWav(mono, {});
    image.resize(36);
    image[16] = 18;
    image.insert(image.end(), {0, 0});
    test::putTag(image, "LIST");
    test::put32(image, 5); // odd, no pad byte
    image.insert(image.end(), {'a', 'b', 'c', 'd', 'e'});
    test::putTag(image, "data");
    test::put32(image, 0xFFFFFFFFu);
    image.insert(image.end(), samples.begin(), samples.end());
    image.push_back(0x5A); // half a frame
    const std::string in = dir.file("lenient.wav");
    const std::string out = dir.file("canonical.wav");
    test::writeBytes(in, image);

    const test::CliResult result = test::runCli({"copy", in, out});
    ASSERT_EQ(result.status, 0) << result.err;
    const Bytes copy = test::readBytes(out);
    EXPECT_EQ(copy, test::canonicalWav(mono, samples));
    EXPECT_EQ(Bytes(copy.begin() + 44, copy.end()), samples);
}

TEST(CliCopy, RefusesBadSourcesAndNeverEmptiesTheSource) {
    test::TempDir dir;
    const std::string in = dir.file("in.wav");
    const Bytes image = test::canonicalWav(WaveFormat{}, noise(4000, 4));
    test::writeBytes(in, image);

    const test::CliResult self = test::runCli({"copy", in, in});
    EXPECT_EQ(self.status, 1);
    EXPECT_NE(self.err.find(in + " is the source file " + in), std::string::npos) << self.err;
    EXPECT_EQ(test::readBytes(in), image) << "copying a file onto itself emptied it";

    const std::string bad = dir.file("bad.wav");
    Bytes refused = image;
    refused[8] = 'X'; // not WAVE
    test::writeBytes(bad, refused);
    const test::CliResult badResult = test::runCli({"copy", bad, dir.file("out.wav")});
    EXPECT_EQ(badResult.status, 1);
    EXPECT_EQ(badResult.err, "file can not opened\n");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"bad.wav", "in.wav"}))
        << "a refused source still created the output";
}

} // namespace
} // namespace sundra
