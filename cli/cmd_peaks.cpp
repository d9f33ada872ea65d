// peaks FILE.wav OUT.dat [--zoom N]: the waveform summary at N frames a bucket
// (256 unless told), in the version-2 binary layout that web waveform players
// read: a 24-byte little-endian header (version 2, flags 0 for 16-bit values,
// sample rate, frames per bucket, bucket count, channels), then for each bucket
// and each channel the 16-bit minimum and maximum.

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/source_file.h"
#include "cli/source_guard.h"
#include "core/peak_scanner.h"
#include "core/wave_file.h"
#include "core/waveform_summary.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace sundra::cli {

namespace {

constexpr std::int32_t kVersion = 2;
constexpr std::uint32_t kSixteenBitValues = 0;

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// The output file: the header is written first with the expected bucket
// count and written again at the end with the count that was written.
class PeakFile {
public:
    PeakFile(const std::string& path, const WaveFormat& format, std::int64_t zoom)
        : path_(path), format_(format), zoom_(zoom), file_(std::fopen(path.c_str(), "wb")) {
        if (file_ == nullptr) {
            fail();
        }
        writeHeader();
    }
    ~PeakFile() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }
    PeakFile(const PeakFile&) = delete;
    PeakFile& operator=(const PeakFile&) = delete;

    void add(const Peak* bucket) {
        for (int c = 0; c < format_.channels; ++c) {
            const auto lo = static_cast<std::uint16_t>(bucket[c].min);
            const auto hi = static_cast<std::uint16_t>(bucket[c].max);
            const std::uint8_t bytes[4] = {
                static_cast<std::uint8_t>(lo), static_cast<std::uint8_t>(lo >> 8),
                static_cast<std::uint8_t>(hi), static_cast<std::uint8_t>(hi >> 8)};
            buffer_.insert(buffer_.end(), bytes, bytes + 4);
        }
        ++buckets_;
        if (buffer_.size() >= (1u << 20)) {
            flush();
        }
    }

    void close() {
        flush();
        if (std::fseek(file_, 0, SEEK_SET) != 0) {
            fail();
        }
        writeHeader();
        const int closed = std::fclose(file_);
        file_ = nullptr;
        if (closed != 0) {
            fail();
        }
    }

private:
    void writeHeader() {
        if (buckets_ > std::numeric_limits<std::uint32_t>::max()) {
            throw std::runtime_error("too many buckets for the peak file; choose a larger zoom");
        }
        std::vector<std::uint8_t> header;
        put32(header, kVersion);
        put32(header, kSixteenBitValues);
        put32(header, static_cast<std::uint32_t>(format_.samplesPerSecond));
        put32(header, static_cast<std::uint32_t>(zoom_));
        put32(header, static_cast<std::uint32_t>(buckets_));
        put32(header, static_cast<std::uint32_t>(format_.channels));
        write(header);
    }
    void flush() {
        write(buffer_);
        buffer_.clear();
    }
    void write(const std::vector<std::uint8_t>& bytes) {
        if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
            fail();
        }
    }
    [[noreturn]] void fail() { throw std::runtime_error(path_ + ": " + std::strerror(errno)); }

    std::string path_;
    WaveFormat format_;
    std::int64_t zoom_;
    std::FILE* file_;
    std::vector<std::uint8_t> buffer_;
    std::int64_t buckets_ = 0;
};

} // namespace

int runPeaks(const Arguments& args) {
    const Options options(args, {"zoom"}, {});
    if (options.positional().size() != 2) {
        throw UsageError("needs a WAV file and an output file");
    }
    const long long zoom = options.integer("zoom", WaveformSummary::levelFrames(0));
    if (zoom < 1 || zoom > std::numeric_limits<std::int32_t>::max()) {
        throw UsageError("--zoom must be a number of frames from 1 to 2147483647");
    }
    refuseWritingSource(options.positional()[0], options.positional()[1]);
    const std::unique_ptr<WaveFileReader> reader = openSourceFile(options.positional()[0]);
    if (!reader) {
        return 1;
    }
    const WaveFormat& format = reader->format();
    if (!canScanPeaks(format)) {
        std::fprintf(stderr, "no waveform for %d-bit samples\n", format.bitsPerSample);
        return 1;
    }

    PeakFile out(options.positional()[1], format, zoom);
    // A zoom that a stored level divides comes from the summary the window
    // draws from; any other from the samples themselves.
    if (zoom % WaveformSummary::levelFrames(0) == 0) {
        WaveformSummary summary(format, reader->length(), false);
        WaveformBuilder builder(summary);
        builder.readFrom(*reader, {});
        const std::vector<Peak> peaks = *summary.atZoom(zoom);
        for (std::size_t at = 0; at < peaks.size();
             at += static_cast<std::size_t>(format.channels)) {
            out.add(&peaks[at]);
        }
    } else {
        PeakScanner scanner(format, zoom, [&out](const Peak* bucket) { out.add(bucket); });
        const std::int32_t frameBytes = frameSize(format);
        std::vector<std::uint8_t> block(
            static_cast<std::size_t>(std::max(1, (1 << 20) / frameBytes)) *
            static_cast<std::size_t>(frameBytes));
        reader->seek(0);
        for (;;) {
            const std::int32_t got =
                reader->read(block.data(), static_cast<std::int32_t>(block.size()));
            if (got / frameBytes <= 0) {
                break;
            }
            scanner.feed(block.data(), got / frameBytes);
        }
        scanner.finish();
    }
    out.close();
    return 0;
}

} // namespace sundra::cli
