#include "split/wav_export_writer.h"

#include "core/byte_stream.h"

namespace sundra {

void WavExportWriter::open(std::unique_ptr<File> file, const WaveFormat& source,
                           std::int64_t frames, const TrackTags&) {
    writer_ = std::make_unique<WaveFileWriter>(
        source, std::make_unique<FileByteStream>(std::move(file)), frames, broadcast_);
}

void WavExportWriter::write(const void* frames, std::int32_t byteCount) {
    writer_->write(frames, byteCount);
}

void WavExportWriter::finish() {
    // Finished here so that a failure is seen; the writer's destructor rewrites
    // the same header and closes the file.
    writer_->flushHeader();
    writer_.reset();
}

void WavExportWriter::abort() noexcept {
    writer_.reset();
}

} // namespace sundra
