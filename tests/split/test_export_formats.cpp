// The compressed exports, checked with outside readers: FLAC decodes to exactly
// the samples of the WAV export and carries its tags, Ogg and MP3 carry their
// tags and the track's duration, a failing or refused encode leaves nothing
// under a track's name, and the sample layouts reach the encoder exactly.

#include "audio/waitable.h"
#include "core/file.h"
#include "split/export_writer.h"
#include "split/sample_unpack.h"
#include "split/save_all.h"
#include "split/sndfile_export_writer.h"
#include "split_fixtures.h"
#include "tests/support/outside_tools.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>

#include <sys/resource.h>
#include <unistd.h>

namespace sundra {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

constexpr std::int32_t kFrames = 88200;
const std::vector<std::string> kTitles{"Intro", "Side/Long Song", "Coda"};

// Noise over the whole range, with the extremes in it, so that a shifted,
// rounded or clipped sample cannot pass.
Bytes noiseSamples(const WaveFormat& format, std::int32_t frames) {
    const int bytesPerSample = format.bitsPerSample / 8;
    Bytes samples(static_cast<std::size_t>(frames) * format.channels * bytesPerSample);
    std::uint32_t state = 12345;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        samples[i] = static_cast<std::uint8_t>(state >> 24);
    }
    // The lowest and highest values, as the first two samples.
    std::memset(samples.data(), 0, static_cast<std::size_t>(bytesPerSample));
    samples[static_cast<std::size_t>(bytesPerSample) - 1] = 0x80;
    std::memset(samples.data() + bytesPerSample, 0xff, static_cast<std::size_t>(bytesPerSample));
    samples[static_cast<std::size_t>(2 * bytesPerSample) - 1] = 0x7f;
    if (format.bitsPerSample == 8) {
        samples[0] = 0;
        samples[1] = 0xff;
    }
    return samples;
}

class Export : public ::testing::Test {
protected:
    void open(const WaveFormat& format) {
        documentPath = dir.file("album.wav");
        test::writeBytes(documentPath, test::canonicalWav(format, noiseSamples(format, kFrames)));
        master = test::openMaster(documentPath);
        tracks = {TrackSegment(*master, 0, 30000), TrackSegment(*master, 30000, 70001),
                  TrackSegment(*master, 70001, kFrames)};
    }

    // Exports the tracks named after the titles into folder (made here).
    void exportTo(const std::string& folder, const ExportSettings& settings) {
        fs::create_directories(folder);
        AlbumInfo album{"Live at the Hall", "The Band", "1971", kTitles};
        std::vector<SaveJob> jobs;
        std::vector<TrackTags> tags;
        for (std::size_t i = 0; i < tracks.size(); ++i) {
            const std::string name = titledTrackName(static_cast<int>(i) + 1, kTitles[i]);
            jobs.push_back({name, &tracks[i]});
            tags.push_back(tagsForRow(album, static_cast<int>(i), name));
        }
        SaveAllWork work(documentPath, std::move(jobs));
        work.setOutputFolder(folder);
        work.setExportSettings(settings);
        work.setTags(std::move(tags));
        work.run(stop, dialog, nameShown);
    }

    test::TempDir dir;
    std::string documentPath;
    std::unique_ptr<WaveFileReader> master;
    std::vector<TrackSegment> tracks;
    KernelEvent stop{false, true};
    test::RecordingNotifier dialog;
    test::RecordingNotifier nameShown;
};

TEST_F(Export, FlacDecodesToTheWavTracksSamplesAndCarriesTheTags) {
    const struct {
        int bits;
        const char* decodedAs;
    } cases[] = {{8, "u8"}, {16, "s16le"}, {24, "s24le"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bits);
        open(WaveFormat{2, 44100, c.bits});
        const std::string wav = dir.file("wav" + std::to_string(c.bits));
        const std::string flac = dir.file("flac" + std::to_string(c.bits));
        exportTo(wav, {ExportFormat::Wav, 60});
        exportTo(flac, {ExportFormat::Flac, 60});
        EXPECT_EQ(
            test::entriesOf(flac),
            (std::vector<std::string>{"01 Intro.flac", "02 Side-Long Song.flac", "03 Coda.flac"}));
        EXPECT_EQ(
            test::entriesOf(wav),
            (std::vector<std::string>{"01 Intro.wav", "02 Side-Long Song.wav", "03 Coda.wav"}));
        for (const std::string& name : test::entriesOf(wav)) {
            const std::string stem = fs::path(name).stem().string();
            const Bytes wavFile = test::readBytes(wav + "/" + name);
            const std::string flacPath = flac + "/" + stem + ".flac";
            // 8/16-bit tracks have the 44-byte header, 24-bit ones the 68-byte
            // EXTENSIBLE one.
            const std::ptrdiff_t header = c.bits > 16 ? 68 : 44;
            ASSERT_EQ(std::string(wavFile.begin() + header - 8, wavFile.begin() + header - 4),
                      "data");
            EXPECT_EQ(test::decodedSamples(flacPath, c.decodedAs),
                      std::string(wavFile.begin() + header, wavFile.end()))
                << stem;
            EXPECT_EQ(test::outputOf("metaflac --show-bps " + test::shellQuoted(flacPath)),
                      std::to_string(c.bits) + "\n");
        }
        const std::string tags = test::withCapitalNames(test::outputOf(
            "metaflac --export-tags-to=- " + test::shellQuoted(flac + "/02 Side-Long Song.flac")));
        for (const char* line : {"TITLE=Side/Long Song\n", "ARTIST=The Band\n",
                                 "ALBUM=Live at the Hall\n", "TRACKNUMBER=2\n", "DATE=1971\n"})
            EXPECT_NE(tags.find(line), std::string::npos) << line << " in\n" << tags;
        master.reset();
    }
}

// The samples ffmpeg decodes from a 24-bit FLAC, as 32-bit values.
std::vector<std::int32_t> decoded24(const std::string& path) {
    const std::string bytes = test::decodedSamples(path, "s32le");
    std::vector<std::int32_t> samples(bytes.size() / 4);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 4);
    return samples;
}

TEST_F(Export, FloatAndThirtyTwoBitSourcesBecomeTwentyFourBitFlac) {
    constexpr double kStep = 1.0 / 8388608.0;
    const std::vector<float> floats{0.0f,
                                    0.5f,
                                    -0.5f,
                                    1.0f,
                                    -1.0f,
                                    1.5f,
                                    -7.0f,
                                    static_cast<float>(3.4 * kStep),
                                    static_cast<float>(-3.6 * kStep)};
    // Rounded to the nearest 24-bit step, clipped at full scale, left-justified
    // as a 32-bit decoder shows them.
    const std::vector<std::int32_t> floatsAs24{
        0, 0x40000000, -0x40000000, 0x7fffff00, INT_MIN, 0x7fffff00, INT_MIN, 3 << 8, -(4 << 8)};
    const std::vector<std::int32_t> ints{INT_MAX, INT_MIN, 0x12345678, -0x12345678, 0, 255};
    // The low 8 bits are dropped (toward minus infinity).
    const std::vector<std::int32_t> intsAs24{0x7fffff00, INT_MIN, 0x12345600, -0x12345700, 0, 0};

    const struct {
        WaveFormat format;
        const void* samples;
        std::size_t count;
        const std::vector<std::int32_t>& expected;
    } cases[] = {
        {WaveFormat{1, 44100, 32, SampleEncoding::Float}, floats.data(), floats.size(), floatsAs24},
        {WaveFormat{1, 44100, 32}, ints.data(), ints.size(), intsAs24},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(isFloat(c.format) ? "float" : "integer");
        EXPECT_EQ(flacBitsFor(c.format), 24);
        const std::string path = dir.file(isFloat(c.format) ? "float.flac" : "int.flac");
        SndfileExportWriter writer({ExportFormat::Flac, 60});
        writer.open(std::make_unique<File>(path, File::Access::ReadWrite, File::Share::Exclusive,
                                           File::Disposition::Create),
                    c.format, static_cast<std::int64_t>(c.count), TrackTags{"t", "", "", "", 1});
        writer.write(c.samples, static_cast<std::int32_t>(c.count * 4));
        writer.finish();
        EXPECT_EQ(test::outputOf("metaflac --show-bps " + test::shellQuoted(path)), "24\n");
        EXPECT_EQ(decoded24(path), c.expected);
    }
}

// "key=value" lines of ffprobe for the format and its streams.
std::string probed(const std::string& path) {
    return test::withCapitalNames(test::outputOf(
        "ffprobe -v error -show_entries format=start_time,duration:format_tags:stream_tags -of "
        "default=noprint_wrappers=1:nokey=0 " +
        test::shellQuoted(path)));
}

double valueIn(const std::string& probe, const std::string& key) {
    const std::size_t at = probe.find("\n" + key + "=");
    return at == std::string::npos ? -1.0 : std::stod(probe.substr(at + key.size() + 2));
}

// What ffprobe says is played: an MP3 starts with the encoder's delay, which
// the reader skips and reports as the start time.
double playedSeconds(const std::string& probe) {
    return valueIn(probe, "DURATION") - valueIn(probe, "START_TIME");
}

TEST_F(Export, OggAndMp3CarryTheTagsAndTheTracksDuration) {
    open(WaveFormat{2, 44100, 16});
    const struct {
        ExportFormat format;
        const char* extension;
    } cases[] = {{ExportFormat::OggVorbis, ".ogg"}, {ExportFormat::Mp3, ".mp3"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extension);
        const std::string folder = dir.file(exportFormatName(c.format));
        exportTo(folder, {c.format, 40});
        for (std::size_t i = 0; i < tracks.size(); ++i) {
            const std::string name = titledTrackName(static_cast<int>(i) + 1, kTitles[i]);
            const std::string probe = "\n" + probed(folder + "/" + name + c.extension);
            const double seconds = tracks[i].length() / 44100.0;
            EXPECT_NEAR(playedSeconds(probe), seconds, 0.050) << probe;
            for (const std::string& line :
                 {"TITLE=" + kTitles[i], std::string("ARTIST=The Band"),
                  std::string("ALBUM=Live at the Hall"), std::string("DATE=1971")})
                EXPECT_NE(probe.find(line + "\n"), std::string::npos) << line << " in\n" << probe;
            // Vorbis comments say TRACKNUMBER; ID3 (as ffprobe names it) TRACK.
            EXPECT_TRUE(probe.find("TRACKNUMBER=" + std::to_string(i + 1) + "\n") !=
                            std::string::npos ||
                        probe.find("TRACK=" + std::to_string(i + 1) + "\n") != std::string::npos)
                << probe;
        }
    }
}

// While it lives, no file of this process may grow beyond `bytes`: a write
// past it fails as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    void (*oldHandler_)(int);
};

TEST_F(Export, AFailedOrRefusedEncodeLeavesNothingUnderATracksName) {
    open(WaveFormat{2, 44100, 16});
    const std::string folder = dir.file("out");
    fs::create_directories(folder);
    const std::string older = folder + "/01 Intro.flac";
    test::writeBytes(older, Bytes{'o', 'l', 'd'});

    // The disk fills up while the first track is encoded.
    {
        const FileSizeLimit limit(8192);
        EXPECT_THROW(exportTo(folder, {ExportFormat::Flac, 60}), FileError);
    }
    EXPECT_EQ(test::entriesOf(folder), std::vector<std::string>{"01 Intro.flac"});
    EXPECT_EQ(test::readBytes(older), (Bytes{'o', 'l', 'd'}));
    EXPECT_TRUE(dialog.posts.empty());

    // A format that cannot hold the source is refused before any file is begun.
    nameShown.plainPosts = 0;
    try {
        exportTo(folder, {ExportFormat::Opus, 60});
        ADD_FAILURE() << "Opus took 44100 samples per second";
    } catch (const ExportError& error) {
        EXPECT_NE(std::string(error.what()).find("44100"), std::string::npos) << error.what();
    }
    EXPECT_EQ(nameShown.plainPosts, 0);
    EXPECT_EQ(test::entriesOf(folder), std::vector<std::string>{"01 Intro.flac"});

    // A folder that takes no new files: a read-only one of our own, or one of
    // the kernel's for a user whom permissions do not stop.
    const fs::path locked = dir.path() / "locked";
    fs::create_directory(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    const fs::path refusing = ::access(locked.c_str(), W_OK) == 0 ? "/sys/kernel" : locked;
    EXPECT_THROW(exportTo(refusing.string(), {ExportFormat::OggVorbis, 60}), FileError);
    EXPECT_FALSE(fs::exists(refusing / "01 Intro.ogg"));
    fs::permissions(locked, fs::perms::owner_all);
    EXPECT_TRUE(fs::is_empty(locked));
}

TEST(SampleUnpack, EveryLayoutReachesTheEncoderLeftJustified) {
    const struct {
        int bits;
        Bytes bytes;
        std::vector<std::int32_t> expected;
    } cases[] = {
        {8, {0x00, 0x80, 0xff, 0x7f}, {INT_MIN, 0, 0x7f000000, -0x01000000}},
        {16,
         {0x00, 0x80, 0xff, 0xff, 0xff, 0x7f, 0x01, 0x00},
         {INT_MIN, -0x10000, 0x7fff0000, 0x10000}},
        {24, {0x00, 0x00, 0x80, 0xff, 0xff, 0xff, 0xff, 0xff, 0x7f}, {INT_MIN, -0x100, 0x7fffff00}},
        {32, {0x00, 0x00, 0x00, 0x80, 0x01, 0x00, 0x00, 0x00}, {INT_MIN, 1}},
    };
    for (const auto& c : cases) {
        std::vector<std::int32_t> out(c.expected.size());
        unpackIntegers(c.bytes.data(), out.size(), c.bits, out.data());
        EXPECT_EQ(out, c.expected) << c.bits << " bits";
    }
}

TEST(TrackTags, TitlesBecomeNumberedNamesAndTagsKeepThemAsTyped) {
    EXPECT_EQ(parseTitles("  Intro \r\n\n\tSide/Long Song\r\nCoda"),
              (std::vector<std::string>{"Intro", "Side/Long Song", "Coda"}));
    EXPECT_TRUE(parseTitles("\n \r\n").empty());
    EXPECT_EQ(titledTrackName(2, "Side/Long Song"), "02 Side-Long Song");
    EXPECT_EQ(titledTrackName(101, "a/b/c"), "101 a-b-c");

    const AlbumInfo album{"Live", "The Band", "1971", {"Intro", "Side/Long Song"}};
    const TrackTags named = tagsForRow(album, 1, "02 Side-Long Song");
    EXPECT_EQ(named.title, "Side/Long Song");
    EXPECT_EQ(named.trackNumber, 2);
    EXPECT_EQ(named.artist, "The Band");
    // A row renamed since, or beyond the titles, is titled by its name.
    EXPECT_EQ(tagsForRow(album, 1, "my take").title, "my take");
    EXPECT_EQ(tagsForRow(album, 2, "03 Extra").title, "03 Extra");

    EXPECT_EQ(titleCountProblem(2, 2), "");
    EXPECT_EQ(
        titleCountProblem(3, 2),
        "The titles do not match the tracks: 3 titles for 2 tracks. Give one title per track.");
    EXPECT_EQ(titleCountProblem(1, 1), "");
    EXPECT_EQ(
        titleCountProblem(1, 3),
        "The titles do not match the tracks: 1 title for 3 tracks. Give one title per track.");
}

} // namespace
} // namespace sundra
