// make-album OUT.wav --minutes N [--seed S] [--rate R] [--bits B] [--float]: a
// deterministic test album (by default 44.1 kHz stereo 16-bit), so that
// examples, benchmarks and tests need no recording from outside. Songs of a tone
// or of noise at 0.2 to 0.45 of full scale, 2 to 6 minutes long, each with a few
// quiet passages of at most 0.6 s (too short for a split at 1 s pauses), follow
// each other with 2 to 4 s of digital silence or faint hiss between them. The
// same seed gives the same bytes on every machine: the generator and the sine
// use only integer and plain double arithmetic, no library distributions.

#include "cli/commands.h"
#include "cli/options.h"
#include "core/byte_stream.h"
#include "core/duration_text.h"
#include "core/file.h"
#include "core/sample_shape.h"
#include "core/seeded_random.h"
#include "core/wave_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace sundra::cli {

namespace {

// A day; at 44.1 kHz that is more frames than the program opens, which makes
// such an album a test of that limit too. Beyond 4 GiB the file is RF64.
constexpr long long kMaxMinutes = 24 * 60;
constexpr double kQuietLevel = 0.01;
constexpr double kHissLevel = 0.004;

using Random = SeededRandom;

// sin(2 pi x) for a phase x of 2^32 steps per turn, by a refined parabola
// (error below 0.1 %), so no library sine can change the bytes.
double sine(std::uint32_t phase) {
    const double t = static_cast<double>(phase) * 0x1.0p-31 - 1.0; // -1 .. 1
    const double y = 4.0 * t * (1.0 - std::fabs(t));
    return -(0.225 * (y * std::fabs(y) - y) + y); // sin(2 pi x) = -sin(pi t)
}

struct Span {
    std::int64_t start;
    std::int64_t frames;
};

struct Piece {
    enum class Kind { Tone, Noise, Silence, Hiss } kind;
    std::int64_t start;
    std::int64_t frames;
    double level;
    std::int64_t frequency;
    std::uint64_t seed;
    std::vector<Span> quiet; // passages inside a song, relative to its start
};

Piece makeSong(Random& random, std::int64_t start, std::int64_t frames, std::int64_t rate) {
    Piece song{random.between(0, 1) == 0 ? Piece::Kind::Tone : Piece::Kind::Noise,
               start,
               frames,
               0.2 + 0.25 * random.unit(),
               random.between(110, 880),
               random.next(),
               {}};
    // One quiet passage in each of up to three parts of the song, away from its
    // edges, so that passages never touch each other or the gaps.
    const std::int64_t parts = random.between(1, 3);
    for (std::int64_t part = 0; part < parts; ++part) {
        const std::int64_t length = random.between(rate / 5, rate * 6 / 10);
        const std::int64_t from = frames * part / parts + 10 * rate;
        const std::int64_t to = frames * (part + 1) / parts - 10 * rate - length;
        if (to > from)
            song.quiet.push_back({random.between(from, to), length});
    }
    return song;
}

std::vector<Piece> planAlbum(std::int64_t totalFrames, std::uint64_t seed, std::int64_t rate) {
    Random random(seed);
    const std::int64_t shortest = 2 * 60 * rate;
    const std::int64_t longest = 6 * 60 * rate;
    std::vector<Piece> pieces;
    std::int64_t at = 0;
    while (true) {
        const std::int64_t remaining = totalFrames - at;
        if (remaining <= longest) {
            pieces.push_back(makeSong(random, at, remaining, rate));
            break;
        }
        const std::int64_t gap = random.between(2 * rate, 4 * rate);
        // Leave room for at least one more song of the shortest length.
        const std::int64_t song =
            random.between(shortest, std::min(longest, remaining - gap - shortest));
        pieces.push_back(makeSong(random, at, song, rate));
        at += song;
        pieces.push_back(Piece{random.between(0, 1) == 0 ? Piece::Kind::Silence : Piece::Kind::Hiss,
                               at,
                               gap,
                               kHissLevel,
                               0,
                               random.next(),
                               {}});
        at += gap;
    }
    return pieces;
}

// Renders pieces into one-second blocks and hands each full block to the writer.
class AlbumRenderer {
public:
    AlbumRenderer(WaveFileWriter& writer, const SampleShape& shape)
        : writer_(writer), shape_(shape), rate_(writer.format().samplesPerSecond),
          block_(static_cast<std::size_t>(rate_) * 2) {}

    void render(const Piece& piece) {
        Random noise(piece.seed);
        const std::uint32_t step =
            static_cast<std::uint32_t>((static_cast<std::uint64_t>(piece.frequency) << 32) /
                                       static_cast<std::uint64_t>(rate_));
        std::uint32_t phase = 0;
        std::size_t nextQuiet = 0;
        for (std::int64_t frame = 0; frame < piece.frames; ++frame) {
            double level = piece.level;
            while (nextQuiet < piece.quiet.size() &&
                   frame >= piece.quiet[nextQuiet].start + piece.quiet[nextQuiet].frames)
                ++nextQuiet;
            if (nextQuiet < piece.quiet.size() && frame >= piece.quiet[nextQuiet].start)
                level = kQuietLevel;

            double left = 0.0;
            double right = 0.0;
            switch (piece.kind) {
            case Piece::Kind::Tone:
                left = right = level * sine(phase);
                phase += step;
                break;
            case Piece::Kind::Noise:
            case Piece::Kind::Hiss:
                left = level * (2.0 * noise.unit() - 1.0);
                right = level * (2.0 * noise.unit() - 1.0);
                break;
            case Piece::Kind::Silence:
                break;
            }
            put(left, right);
        }
    }

    void finish() {
        flush();
        writer_.flushHeader();
    }

private:
    void put(double left, double right) {
        block_[used_++] = left;
        block_[used_++] = right;
        if (used_ == block_.size())
            flush();
    }

    void flush() {
        if (used_ == 0)
            return;
        // Little-endian bytes, written out explicitly so the file is the same on
        // any machine.
        const std::size_t width = static_cast<std::size_t>(shape_.bits / 8);
        bytes_.resize(used_ * width);
        for (std::size_t i = 0; i < used_; ++i)
            shape_.store(block_[i], bytes_.data() + i * width);
        writer_.write(bytes_.data(), static_cast<std::int32_t>(bytes_.size()));
        used_ = 0;
    }

    WaveFileWriter& writer_;
    const SampleShape& shape_;
    std::int32_t rate_;
    std::vector<double> block_;
    std::vector<std::uint8_t> bytes_;
    std::size_t used_ = 0;
};

const char* kindName(Piece::Kind kind) {
    switch (kind) {
    case Piece::Kind::Tone:
        return "tone";
    case Piece::Kind::Noise:
        return "noise";
    case Piece::Kind::Silence:
        return "silence";
    case Piece::Kind::Hiss:
        return "hiss";
    }
    return "?";
}

} // namespace

int runMakeAlbum(const Arguments& args) {
    const Options options(args, {"minutes", "seed", "rate", "bits"}, {"float"});
    if (options.positional().size() != 1)
        throw UsageError("needs exactly one output file");
    if (!options.has("minutes"))
        throw UsageError("needs --minutes");
    const long long minutes = options.integer("minutes", 0);
    if (minutes < 1 || minutes > kMaxMinutes)
        throw UsageError("--minutes must be 1 to " + std::to_string(kMaxMinutes));
    const auto seed = static_cast<std::uint64_t>(options.integer("seed", 1));
    const long long rate = options.integer("rate", 44100);
    if (rate < 8000 || rate > 384000)
        throw UsageError("--rate must be 8000 to 384000");
    const WaveFormat format{2, static_cast<std::int32_t>(rate),
                            static_cast<std::int32_t>(options.integer("bits", 16)),
                            options.has("float") ? SampleEncoding::Float : SampleEncoding::Integer};
    const SampleShape* shape = sampleShape(format);
    if (!shape)
        throw UsageError("--bits must be 8, 16, 24 or 32, or with --float 32 or 64");
    const std::string& path = options.positional()[0];

    const std::int64_t totalFrames = minutes * 60 * rate;
    const std::vector<Piece> pieces = planAlbum(totalFrames, seed, rate);
    WaveFileWriter writer(
        format,
        std::make_unique<FileByteStream>(std::make_unique<File>(
            path, File::Access::ReadWrite, File::Share::Exclusive, File::Disposition::Create)),
        totalFrames);
    AlbumRenderer renderer(writer, *shape);
    int songs = 0;
    for (const Piece& piece : pieces) {
        renderer.render(piece);
        const bool song = piece.kind == Piece::Kind::Tone || piece.kind == Piece::Kind::Noise;
        if (song)
            ++songs;
        // One line per piece, frames [start, end), for tests and benchmarks that
        // compare a split with the album's plan.
        std::printf("%s %lld %lld %s", song ? "song" : "gap", static_cast<long long>(piece.start),
                    static_cast<long long>(piece.start + piece.frames), kindName(piece.kind));
        if (song)
            std::printf(" level %.3f", piece.level);
        if (piece.kind == Piece::Kind::Tone)
            std::printf(" frequency %lld", static_cast<long long>(piece.frequency));
        for (const Span& quiet : piece.quiet)
            std::printf(" quiet %lld %lld", static_cast<long long>(piece.start + quiet.start),
                        static_cast<long long>(piece.start + quiet.start + quiet.frames));
        std::printf("\n");
    }
    renderer.finish();
    std::printf("wrote %s: %d songs, %lld frames, %s\n", path.c_str(), songs,
                static_cast<long long>(totalFrames), durationText(totalFrames / rate).c_str());
    return 0;
}

} // namespace sundra::cli
