// WAV files as other programs write them (tests/support/wav_sources.h): what
// they open with and what their tracks are.

#include "audio/waitable.h"
#include "split/save_all.h"
#include "split_fixtures.h"
#include "tests/support/outside_tools.h"
#include "tests/support/wav_sources.h"

#include <gtest/gtest.h>

namespace sundra {
namespace {

using test::Bytes;

// Everything the reader hands out: the samples, and not a byte more.
Bytes samplesOf(WaveFileReader& reader) {
    Bytes all(static_cast<std::size_t>(reader.length() * frameSize(reader.format())) + 64);
    reader.seek(0);
    all.resize(
        static_cast<std::size_t>(reader.read(all.data(), static_cast<std::int32_t>(all.size()))));
    return all;
}

// Each file opens with its format, frames, samples and Broadcast Wave record,
// and saved as two tracks cut at an odd frame each track holds its samples in
// the source's format and the record with its own time reference. Tracks of
// plain 8- and 16-bit sources keep the canonical 44-byte header. ffmpeg
// decodes the tracks to their samples, sox and mediainfo read the Broadcast
// Wave ones, and mediainfo shows their time reference (as a delay in ms).
// Neither ffmpeg 5.1 (which takes 24 valid bits in 32 for floats) nor sox
// (which refuses padded samples) reads 24 bits in 32.
TEST(WavSources, OpenWithTheirSamplesAndExportSampleForSample) {
    for (const test::SourceFile& source : test::filesAsOthersWriteThem()) {
        SCOPED_TRACE(source.name);
        test::TempDir dir;
        const std::string path = dir.file("source.wav");
        test::writeBytes(path, source.image);
        std::string refusal;
        const std::unique_ptr<WaveFileReader> master = openWaveFile(path, refusal);
        ASSERT_TRUE(master) << refusal;
        EXPECT_EQ(master->format(), source.format);
        const std::int32_t frames = master->length(), cut = frames / 3 | 1;
        const auto frameBytes = static_cast<long>(frameSize(source.format));
        EXPECT_EQ(frames * frameBytes, static_cast<long>(source.samples.size()));
        EXPECT_EQ(samplesOf(*master), source.samples);
        EXPECT_EQ(master->broadcastInfo(), source.broadcast);

        TrackSegment tracks[] = {{*master, 0, cut}, {*master, cut, frames}};
        SaveAllWork work(path, {{"one", &tracks[0]}, {"two", &tracks[1]}});
        KernelEvent stop(false, true);
        test::RecordingNotifier dialog, shown;
        work.run(stop, dialog, shown);
        for (const TrackSegment& track : tracks) {
            const std::string out = dir.file(track.start() == 0 ? "one.wav" : "two.wav");
            const auto from = source.samples.begin() + track.start() * frameBytes;
            const Bytes samples(from, from + track.length() * frameBytes);
            const std::unique_ptr<WaveFileReader> written = test::openMaster(out);
            EXPECT_EQ(written->format(), source.format);
            EXPECT_EQ(samplesOf(*written), samples);
            std::optional<BroadcastInfo> record = source.broadcast;
            if (record)
                record->timeReference += static_cast<std::uint64_t>(track.start());
            EXPECT_EQ(written->broadcastInfo(), record);
            if (!record && source.format.bitsPerSample <= 16 && source.format.validBits == 0) {
                EXPECT_EQ(test::readBytes(out), test::canonicalWav(source.format, samples));
            }

            const int width = source.format.bitsPerSample;
            if (width == 32)
                continue;
            const std::string raw(samples.begin(), samples.end());
            EXPECT_TRUE(test::decodedSamples(
                            out, width == 8 ? "u8" : "s" + std::to_string(width) + "le") == raw);
            if (!record)
                continue;
            EXPECT_TRUE(test::outputOf("sox -t wav " + test::shellQuoted(out) + " -t raw -") ==
                        raw);
            const std::string delay =
                test::outputOf("mediainfo --Inform='Audio;%Delay%' " + test::shellQuoted(out));
            EXPECT_NEAR(std::stod(delay),
                        static_cast<double>(record->timeReference) * 1000.0 /
                            source.format.samplesPerSecond,
                        1e-3);
        }
    }
}

} // namespace
} // namespace sundra
