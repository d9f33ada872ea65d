// sundra-cli peaks: the version-2 peak file, checked byte by byte against the
// minimum and maximum of each bucket of a known signal, at the default zoom, a
// zoom that a stored level divides, and zooms that none does.

#include "tests/cli/cli_runner.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

namespace sundra {
namespace {

// A stereo ramp: left counts up from -30000 in steps of 3, right is its negation.
std::vector<std::int16_t> ramp(std::int32_t frames) {
    std::vector<std::int16_t> samples;
    for (std::int32_t f = 0; f < frames; ++f) {
        const auto left = static_cast<std::int16_t>(-30000 + (f * 3) % 60000);
        samples.push_back(left);
        samples.push_back(static_cast<std::int16_t>(-left));
    }
    return samples;
}

std::int16_t value16(const test::Bytes& in, std::size_t offset) {
    return static_cast<std::int16_t>(test::get16(in, offset));
}

TEST(CliPeaks, WritesTheVersionTwoLayoutWithEachBucketsMinimumAndMaximum) {
    test::TempDir dir;
    const std::string wav = dir.file("ramp.wav");
    constexpr std::int32_t kFrames = 70000;
    const std::vector<std::int16_t> samples = ramp(kFrames);
    test::writeBytes(wav, test::canonicalWav(WaveFormat{2, 48000, 16}, test::pcm16(samples)));

    for (const int zoom : {256, 512, 7, 1000, 65536}) {
        SCOPED_TRACE(zoom);
        const std::string out = dir.file("ramp-" + std::to_string(zoom) + ".dat");
        std::vector<std::string> args{"peaks", wav, out};
        if (zoom != 256) {
            args.insert(args.end(), {"--zoom", std::to_string(zoom)});
        }
        const test::CliResult result = test::runCli(args);
        ASSERT_EQ(result.status, 0) << result.err;
        const test::Bytes dat = test::readBytes(out);
        const std::uint32_t buckets = (kFrames + zoom - 1) / zoom;
        ASSERT_EQ(dat.size(), 24 + buckets * 8u);
        EXPECT_EQ(test::get32(dat, 0), 2u);
        EXPECT_EQ(test::get32(dat, 4), 0u);
        EXPECT_EQ(test::get32(dat, 8), 48000u);
        EXPECT_EQ(test::get32(dat, 12), static_cast<std::uint32_t>(zoom));
        EXPECT_EQ(test::get32(dat, 16), buckets);
        EXPECT_EQ(test::get32(dat, 20), 2u);
        for (std::uint32_t b = 0; b < buckets; ++b) {
            for (int c = 0; c < 2; ++c) {
                std::int16_t lo = 32767, hi = -32768;
                for (std::int64_t f = std::int64_t{b} * zoom;
                     f < std::min<std::int64_t>(kFrames, (std::int64_t{b} + 1) * zoom); ++f) {
                    lo = std::min(lo, samples[static_cast<std::size_t>(f * 2 + c)]);
                    hi = std::max(hi, samples[static_cast<std::size_t>(f * 2 + c)]);
                }
                const std::size_t at = 24 + (b * 2 + c) * 4;
                ASSERT_EQ(value16(dat, at), lo) << "bucket " << b << " channel " << c;
                ASSERT_EQ(value16(dat, at + 2), hi) << "bucket " << b << " channel " << c;
            }
        }
    }
}

TEST(CliPeaks, RefusesBadZoomsAndFilesWithAMessage) {
    test::TempDir dir;
    const std::string wav = dir.file("empty.wav");
    test::writeBytes(wav, test::canonicalWav(WaveFormat{1, 44100, 8}, {}));
    const test::CliResult empty = test::runCli({"peaks", wav, dir.file("empty.dat")});
    ASSERT_EQ(empty.status, 0) << empty.err;
    const test::Bytes dat = test::readBytes(dir.file("empty.dat"));
    ASSERT_EQ(dat.size(), 24u);
    EXPECT_EQ(test::get32(dat, 16), 0u);
    EXPECT_EQ(test::get32(dat, 20), 1u);

    for (const char* zoom : {"0", "-5", "x"}) {
        const test::CliResult bad = test::runCli({"peaks", wav, dir.file("x.dat"), "--zoom", zoom});
        EXPECT_EQ(bad.status, 1) << zoom;
        EXPECT_NE(bad.err.find("usage: sundra-cli peaks"), std::string::npos) << bad.err;
    }
    const test::CliResult missing =
        test::runCli({"peaks", dir.file("none.wav"), dir.file("x.dat")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err, "");
    const test::CliResult unwritable =
        test::runCli({"peaks", wav, dir.file("no/such/folder/x.dat")});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("x.dat"), std::string::npos) << unwritable.err;
}

} // namespace
} // namespace sundra
