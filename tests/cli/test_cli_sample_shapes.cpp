// Files as sox and ffmpeg write them, in every sample shape the program reads:
// 24- and 32-bit integers, 32- and 64-bit floats, WAVE_FORMAT_EXTENSIBLE and
// RF64, mono to four channels at 44.1 to 96 kHz. The split must give exactly the
// pieces of a plain reference that works on ffmpeg's own decoding of the file,
// the exported tracks must decode to the source's samples in the source's
// format, and non-PCM encodings must be refused.

#include "core/byte_stream.h"
#include "core/file.h"
#include "core/wave_file.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/reference_levels.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace sundra {
namespace {

bool run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

// What ffmpeg makes of a file, as doubles (every integer width and float
// converts to a double exactly).
std::vector<double> decodeToDoubles(const test::TempDir& dir, const std::string& path) {
    const std::string raw = dir.file("decoded.f64");
    EXPECT_TRUE(
        run("ffmpeg -v error -y -i " + quoted(path) + " -f f64le -c:a pcm_f64le " + quoted(raw)));
    const test::Bytes bytes = test::readBytes(raw);
    std::vector<double> values(bytes.size() / 8);
    std::memcpy(values.data(), bytes.data(), values.size() * 8);
    return values;
}

std::string probe(const std::string& path, const std::string& entry) {
    const std::string command = "ffprobe -v error -show_entries " + entry +
                                " -of default=noprint_wrappers=1:nokey=1 " + quoted(path);
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char chunk[256];
    while (pipe && std::fgets(chunk, sizeof chunk, pipe))
        out += chunk;
    if (pipe)
        pclose(pipe);
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

struct Piece {
    std::int64_t start;
    std::int64_t end;
    friend bool operator==(const Piece&, const Piece&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Piece& piece) {
        return out << "[" << piece.start << ", " << piece.end << ")";
    }
};

// The split at the default settings written out plainly: quarter-second blocks
// (of whole frames, as many bytes as the format gives), a block is loud when a
// frame's level (the reference rule, taken over the decoded doubles) is above
// 0.05, five quiet blocks end a sound, pauses are left out, and a piece must be
// longer than a second.
std::vector<Piece> referencePieces(const std::vector<double>& samples, int channels, int rate,
                                   int bits) {
    const std::int64_t frameBytes = bits / 8 * channels;
    const std::int64_t quarter = std::int64_t{channels} * rate * (bits / 8) / 4;
    const std::int64_t block = (quarter - 1) / frameBytes + 1;
    const double senseLevel = 50 * 0.001;
    const std::int64_t frames = static_cast<std::int64_t>(samples.size()) / channels;
    const WaveFormat decoded{channels, rate, 64, SampleEncoding::Float};
    std::vector<Piece> pieces;
    std::int64_t soundStart = -1;
    int quiet = 0;
    for (std::int64_t first = 0; first < frames; first += block) {
        const std::int64_t count = std::min(block, frames - first);
        bool loud = false;
        for (std::int64_t f = first; f < first + count && !loud; ++f) {
            const auto* frame = reinterpret_cast<const std::uint8_t*>(
                &samples[static_cast<std::size_t>(f * channels)]);
            loud = test::referenceFrameLevel(frame, decoded) > senseLevel;
        }
        if (loud) {
            if (soundStart < 0)
                soundStart = first;
            quiet = 0;
        } else if (soundStart >= 0 && ++quiet == 5) {
            const std::int64_t end = first + count - 5 * block;
            if (end - soundStart > rate)
                pieces.push_back({soundStart, end});
            soundStart = -1;
            quiet = 0;
        }
    }
    if (soundStart >= 0) {
        const std::int64_t end = frames - 4 * block;
        if (end - soundStart > rate)
            pieces.push_back({soundStart, end});
    }
    return pieces;
}

std::vector<Piece> splitPieces(const std::string& out) {
    std::vector<Piece> pieces;
    std::istringstream lines(out);
    std::string line;
    std::getline(lines, line); // the column names
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string name;
        Piece piece{};
        words >> name >> piece.start >> piece.end;
        pieces.push_back(piece);
    }
    return pieces;
}

// About 21 s of sound and pauses, written as raw doubles: songs well above
// the default sense level, one just above it (a level read at half its size
// would fall below), one too short to stay, hiss far below it, a stereo song
// whose channels are in anti-phase (as loud as either channel), and a song that
// runs to the end of the file.
void writeSignal(const std::string& path, int channels, int rate) {
    struct Part {
        double seconds;
        enum { Silence, Tone, Noise, Opposed } kind;
        double level;
    };
    const Part parts[] = {
        {1.3, Part::Silence, 0},   {2.7, Part::Tone, 0.3},  {1.6, Part::Noise, 0.004},
        {2.2, Part::Noise, 0.25},  {1.8, Part::Silence, 0}, {1.5, Part::Tone, 0.07},
        {1.4, Part::Silence, 0},   {0.6, Part::Tone, 0.4},  {1.5, Part::Silence, 0},
        {2.0, Part::Opposed, 0.3}, {1.6, Part::Silence, 0}, {2.5, Part::Tone, 0.2}};
    std::vector<double> samples;
    std::uint64_t noise = 12345;
    std::int64_t t = 0;
    for (const Part& part : parts) {
        const auto frames = static_cast<std::int64_t>(part.seconds * rate);
        for (std::int64_t f = 0; f < frames; ++f, ++t) {
            const double tone = std::sin(2 * M_PI * 440.0 * static_cast<double>(t) / rate);
            for (int c = 0; c < channels; ++c) {
                double value = 0.0;
                if (part.kind == Part::Tone) {
                    value = part.level * tone;
                } else if (part.kind == Part::Opposed) {
                    // Anti-phase in stereo; elsewhere a song at half the level.
                    const double sign = c == 0 ? 1.0 : -1.0;
                    value = channels == 2 ? sign * part.level * tone : part.level * tone / 2;
                } else if (part.kind == Part::Noise) {
                    noise = noise * 6364136223846793005ull + 1442695040888963407ull;
                    value = part.level * (static_cast<double>(noise >> 11) * 0x1.0p-52 - 1.0);
                }
                samples.push_back(value);
            }
        }
    }
    test::Bytes bytes(samples.size() * 8);
    std::memcpy(bytes.data(), samples.data(), bytes.size());
    test::writeBytes(path, bytes);
}

struct Shape {
    const char* name;
    const char* tool; // "sox" or "ffmpeg"
    const char* options;
    int channels;
    int rate;
    int bits;
    const char* info; // the sample format sundra-cli info prints
};

const Shape kShapes[] = {
    {"sox-s24-stereo", "sox", "-e signed-integer -b 24", 2, 44100, 24, "24-bit integer"},
    {"sox-s32-mono", "sox", "-e signed-integer -b 32", 1, 48000, 32, "32-bit integer"},
    {"sox-f32-stereo", "sox", "-e floating-point -b 32", 2, 96000, 32, "32-bit float"},
    {"sox-f64-mono", "sox", "-e floating-point -b 64", 1, 44100, 64, "64-bit float"},
    {"ffmpeg-s24-stereo", "ffmpeg", "-c:a pcm_s24le", 2, 96000, 24, "24-bit integer"},
    {"ffmpeg-s32-stereo", "ffmpeg", "-c:a pcm_s32le", 2, 48000, 32, "32-bit integer"},
    {"ffmpeg-f32-mono", "ffmpeg", "-c:a pcm_f32le", 1, 48000, 32, "32-bit float"},
    {"ffmpeg-f64-stereo", "ffmpeg", "-c:a pcm_f64le", 2, 44100, 64, "64-bit float"},
    {"ffmpeg-f32-quad", "ffmpeg", "-c:a pcm_f32le", 4, 48000, 32, "32-bit float"},
    {"ffmpeg-rf64-s24-stereo", "ffmpeg", "-c:a pcm_s24le -rf64 always", 2, 48000, 24,
     "24-bit integer"},
    {"ffmpeg-rf64-f32-mono", "ffmpeg", "-c:a pcm_f32le -rf64 always", 1, 44100, 32, "32-bit float"},
};

std::string make(const test::TempDir& dir, const Shape& shape) {
    const std::string raw = dir.file(std::string(shape.name) + ".f64");
    const std::string wav = dir.file(std::string(shape.name) + ".wav");
    writeSignal(raw, shape.channels, shape.rate);
    const std::string rate = std::to_string(shape.rate);
    const std::string channels = std::to_string(shape.channels);
    const std::string command = std::string(shape.tool) == "sox"
                                    ? "sox -D -t f64 -r " + rate + " -c " + channels + " " +
                                          quoted(raw) + " " + shape.options + " " + quoted(wav)
                                    : "ffmpeg -v error -y -f f64le -ar " + rate + " -ac " +
                                          channels + " -i " + quoted(raw) + " " + shape.options +
                                          " " + quoted(wav);
    EXPECT_TRUE(run(command)) << command;
    return wav;
}

TEST(CliSampleShapes, SplitGivesThePiecesOfThePlainLevelRule) {
    ASSERT_TRUE(run("command -v sox && command -v ffmpeg")) << "sox and ffmpeg are needed";
    for (const Shape& shape : kShapes) {
        SCOPED_TRACE(shape.name);
        test::TempDir dir;
        const std::string wav = make(dir, shape);
        const test::CliResult info = test::runCli({"info", wav});
        ASSERT_EQ(info.status, 0) << info.err;
        EXPECT_NE(info.out.find(std::string("sample format: ") + shape.info + "\n"),
                  std::string::npos)
            << info.out;

        const std::vector<double> samples = decodeToDoubles(dir, wav);
        const std::vector<Piece> expected =
            referencePieces(samples, shape.channels, shape.rate, shape.bits);
        // The signal's five lasting songs, the anti-phase one among them.
        EXPECT_EQ(expected.size(), 5u);
        EXPECT_NE(
            info.out.find("frames: " + std::to_string(samples.size() / shape.channels) + "\n"),
            std::string::npos)
            << "read at its full length: " << info.out;

        const test::CliResult split = test::runCli({"split", wav});
        ASSERT_EQ(split.status, 0) << split.err;
        EXPECT_EQ(splitPieces(split.out), expected);
    }
}

TEST(CliSampleShapes, ExportedTracksKeepTheSourceFormatAndEverySample) {
    ASSERT_TRUE(run("command -v sox && command -v ffmpeg")) << "sox and ffmpeg are needed";
    const struct {
        const Shape& shape;
        const char* codec;
    } cases[] = {{kShapes[2], "pcm_f32le"},
                 {kShapes[7], "pcm_f64le"},
                 {kShapes[4], "pcm_s24le"},
                 {kShapes[5], "pcm_s32le"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shape.name);
        test::TempDir dir;
        const std::string wav = make(dir, c.shape);
        const std::vector<double> source = decodeToDoubles(dir, wav);
        const std::string out = dir.file("tracks");
        std::filesystem::create_directory(out);
        const test::CliResult split = test::runCli({"split", wav, "--save", "--out", out});
        ASSERT_EQ(split.status, 0) << split.err;
        const std::vector<Piece> pieces = splitPieces(split.out);
        ASSERT_FALSE(pieces.empty());
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const std::string track =
                out + "/" + c.shape.name + "-" + (i < 10 ? "0" : "") + std::to_string(i) + ".wav";
            EXPECT_EQ(probe(track, "stream=codec_name"), c.codec) << track;
            EXPECT_EQ(probe(track, "stream=channels"), std::to_string(c.shape.channels));
            EXPECT_EQ(probe(track, "stream=sample_rate"), std::to_string(c.shape.rate));
            const std::vector<double> samples = decodeToDoubles(dir, track);
            const auto from = source.begin() + pieces[i].start * c.shape.channels;
            const auto to = source.begin() + pieces[i].end * c.shape.channels;
            EXPECT_TRUE(std::vector<double>(from, to) == samples) << track;
        }
    }
}

TEST(CliSampleShapes, NonPcmEncodingsAreRefused) {
    ASSERT_TRUE(run("command -v sox && command -v ffmpeg")) << "sox and ffmpeg are needed";
    test::TempDir dir;
    const std::string raw = dir.file("signal.f64");
    writeSignal(raw, 1, 8000);
    const std::string inputs = "-t f64 -r 8000 -c 1 " + quoted(raw);
    const std::string aLaw = dir.file("a-law.wav");
    const std::string muLaw = dir.file("mu-law.wav");
    const std::string adpcm = dir.file("adpcm.wav");
    ASSERT_TRUE(run("sox " + inputs + " -e a-law " + quoted(aLaw)));
    ASSERT_TRUE(run("sox " + inputs + " -e mu-law " + quoted(muLaw)));
    ASSERT_TRUE(run("sox " + inputs + " -e ms-adpcm " + quoted(adpcm)));
    for (const std::string& path : {aLaw, muLaw, adpcm}) {
        SCOPED_TRACE(path);
        const test::CliResult info = test::runCli({"info", path});
        EXPECT_EQ(info.status, 1);
        EXPECT_EQ(info.err, "file can not opened\n");
        const test::CliResult split = test::runCli({"split", path});
        EXPECT_NE(split.status, 0);
        EXPECT_EQ(split.out, "");
    }
}

TEST(CliSampleShapes, DataBeyondFourGibibytesIsWrittenAsRf64ThatOthersReadWhole) {
    // A sparse file of 4 GiB and a bit of 16-bit stereo, finished by the
    // program's writer as a recording finishes it.
    test::TempDir dir;
    const std::string path = dir.file("long.wav");
    const std::int64_t frames = ((std::int64_t{1} << 32) + 44100 * 4) / 4;
    {
        WaveFileWriter writer(
            WaveFormat{},
            std::make_unique<FileByteStream>(std::make_unique<File>(
                path, File::Access::ReadWrite, File::Share::Exclusive, File::Disposition::Create)),
            WaveFileWriter::kOpenEnded);
        writer.source()->setLength(writer.dataOffset() + frames * 4);
        writer.flushHeader();
    }
    const std::string seconds = std::to_string(frames / 44100);
    EXPECT_EQ(probe(path, "format=duration").substr(0, seconds.size() + 1), seconds + ".");
    const test::CliResult info = test::runCli({"info", path});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("frames: " + std::to_string(frames) + "\n"), std::string::npos)
        << info.out;
}

} // namespace
} // namespace sundra
