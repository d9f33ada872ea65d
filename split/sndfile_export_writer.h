#pragma once
// FLAC, Ogg Vorbis, Opus and MP3 tracks through libsndfile. The encoder writes
// through our own File (libsndfile's virtual I/O), so the file keeps the
// sharing and error rules of every other file the program writes; an error the
// file raises inside the encoder is carried out and rethrown as it was.
// FLAC keeps 8, 16 or 24-bit samples exactly and writes 32-bit and float
// sources at 24 bits; the tags are each format's own (Vorbis comments for FLAC
// and Ogg, ID3 for MP3).

#include "split/export_writer.h"

#include <exception>
#include <vector>

struct sf_private_tag;

namespace sundra {

class SndfileExportWriter : public ExportWriter {
public:
    explicit SndfileExportWriter(const ExportSettings& settings);
    ~SndfileExportWriter() override;
    SndfileExportWriter(const SndfileExportWriter&) = delete;
    SndfileExportWriter& operator=(const SndfileExportWriter&) = delete;

    void open(std::unique_ptr<File> file, const WaveFormat& source, std::int64_t frames,
              const TrackTags& tags) override;
    void write(const void* frames, std::int32_t byteCount) override;
    void finish() override;
    void abort() noexcept override;

    // Called by libsndfile's I/O callbacks.
    File& file() { return *file_; }
    void keepError(std::exception_ptr error);

private:
    void configure(const TrackTags& tags);
    // Rethrows a file error the encoder met, or throws what libsndfile says.
    [[noreturn]] void fail(const char* doing);

    ExportSettings settings_;
    WaveFormat source_;
    std::unique_ptr<File> file_;
    sf_private_tag* sndfile_ = nullptr;
    std::exception_ptr ioError_;
    std::vector<std::int32_t> integers_;
    std::vector<float> floats_;
};

} // namespace sundra
