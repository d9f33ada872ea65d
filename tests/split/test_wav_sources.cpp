// WAV files as other programs write them (see tests/support/wav_sources.h)
// open with their frames and samples, and their tracks are written sample for
// sample: in the source's containers, with the canonical header where the
// source had nothing more to say, and with the source's Broadcast Wave record
// and each track's own time reference where it had one. Outside readers agree.

#include "audio/waitable.h"
#include "split/save_all.h"
#include "split_fixtures.h"
#include "tests/support/outside_tools.h"
#include "tests/support/wav_sources.h"

#include <gtest/gtest.h>

namespace sundra {
namespace {

using test::Bytes;

Bytes samplesOf(WaveFileReader& reader) {
    Bytes all(static_cast<std::size_t>(reader.length()) *
              static_cast<std::size_t>(frameSize(reader.format())));
    reader.seek(0);
    std::size_t got = 0;
    while (const std::int32_t n =
               reader.read(all.data() + got, static_cast<std::int32_t>(all.size() - got) + 64))
        got += static_cast<std::size_t>(n);
    EXPECT_EQ(got, all.size()) << "a read ran past the samples";
    return all;
}

struct Track {
    std::string path;
    std::int32_t start;
    Bytes samples;
};

// Writes source into dir, opens it and saves it as two tracks cut at an odd
// frame; returns the tracks with the samples each must hold.
std::vector<Track> exportTwoTracks(const test::SourceFile& source, const test::TempDir& dir) {
    const std::string path = dir.file("source.wav");
    test::writeBytes(path, source.image);
    std::string refusal;
    const std::unique_ptr<WaveFileReader> master = openWaveFile(path, refusal);
    EXPECT_TRUE(master) << refusal;
    if (!master)
        return {};
    const std::int32_t frames = master->length();
    const std::int32_t cut = frames / 3 | 1;
    TrackSegment tracks[] = {{*master, 0, cut}, {*master, cut, frames}};
    SaveAllWork work(path, {{"one", &tracks[0]}, {"two", &tracks[1]}});
    KernelEvent stop(false, true);
    test::RecordingNotifier dialog, shown;
    work.run(stop, dialog, shown);
    const auto frameBytes = static_cast<long>(frameSize(source.format));
    const auto at = [&](std::int32_t frame) { return source.samples.begin() + frame * frameBytes; };
    return {{dir.file("one.wav"), 0, Bytes(at(0), at(cut))},
            {dir.file("two.wav"), cut, Bytes(at(cut), at(frames))}};
}

TEST(WavSources, OpenWithTheirSamplesAndExportSampleForSample) {
    for (const test::SourceFile& source : test::filesAsOthersWriteThem()) {
        SCOPED_TRACE(source.name);
        test::TempDir dir;
        test::writeBytes(dir.file("probe.wav"), source.image);
        std::string refusal;
        const std::unique_ptr<WaveFileReader> opened = openWaveFile(dir.file("probe.wav"), refusal);
        ASSERT_TRUE(opened) << refusal;
        EXPECT_EQ(opened->format(), source.format);
        EXPECT_EQ(opened->length(),
                  static_cast<std::int32_t>(source.samples.size()) / frameSize(source.format));
        EXPECT_EQ(samplesOf(*opened), source.samples);
        EXPECT_EQ(opened->broadcastInfo(), source.broadcast);

        for (const Track& track : exportTwoTracks(source, dir)) {
            const std::unique_ptr<WaveFileReader> out = test::openMaster(track.path);
            EXPECT_EQ(out->format(), source.format) << track.path;
            EXPECT_EQ(samplesOf(*out), track.samples) << track.path;
            const std::optional<BroadcastInfo> expected =
                source.broadcast ? std::optional(advancedBy(*source.broadcast, track.start))
                                 : std::nullopt;
            EXPECT_EQ(out->broadcastInfo(), expected) << track.path;
            // Tracks of plain 8- and 16-bit sources keep the canonical 44 bytes.
            if (!source.broadcast && source.format.bitsPerSample <= 16 &&
                source.format.validBits == 0) {
                EXPECT_EQ(test::readBytes(track.path),
                          test::canonicalWav(source.format, track.samples))
                    << track.path;
            }
        }
    }
}

// ffmpeg decodes the tracks to their samples; sox and mediainfo read the
// Broadcast Wave tracks, and mediainfo finds their time reference (shown as a
// delay in milliseconds). Neither ffmpeg 5.1 (which takes 24 valid bits in
// 32 for floats) nor sox (which refuses padded samples) reads 24 bits in 32.
TEST(WavSources, OutsideReadersReadTheTracksAndTheirTimeReference) {
    for (const test::SourceFile& source : test::filesAsOthersWriteThem()) {
        if (source.format.bitsPerSample == 32)
            continue;
        SCOPED_TRACE(source.name);
        test::TempDir dir;
        const int width = source.format.bitsPerSample;
        const std::string raw = width == 8 ? "u8" : "s" + std::to_string(width) + "le";
        for (const Track& track : exportTwoTracks(source, dir)) {
            const std::string quoted = test::shellQuoted(track.path);
            const std::string samples(track.samples.begin(), track.samples.end());
            EXPECT_TRUE(test::decodedSamples(track.path, raw) == samples) << track.path;
            if (!source.broadcast)
                continue;
            EXPECT_TRUE(test::outputOf("sox -t wav " + quoted + " -t raw -") == samples);
            const double reference =
                static_cast<double>(source.broadcast->timeReference + track.start);
            const std::string delay =
                test::outputOf("mediainfo --Inform='Audio;%Delay%' " + quoted);
            EXPECT_NEAR(std::stod(delay), reference * 1000.0 / source.format.samplesPerSecond, 1e-3)
                << delay;
        }
    }
}

} // namespace
} // namespace sundra
