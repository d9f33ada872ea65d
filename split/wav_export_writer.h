#pragma once
// WAV tracks exactly as the plain export has always written them: the
// canonical 44-byte header, then the samples unchanged. No tags: a LIST chunk
// would move the samples away from byte 44, where readers of the canonical
// layout expect them. Tracks of a Broadcast Wave source are Broadcast Wave
// files: their bext chunk stands between the format and the samples, as
// archives expect it.

#include "core/wave_file.h"
#include "split/export_writer.h"

namespace sundra {

class WavExportWriter : public ExportWriter {
public:
    void open(std::unique_ptr<File> file, const WaveFormat& source, std::int64_t frames,
              const TrackTags&) override;
    void setBroadcastInfo(std::optional<BroadcastInfo> info) override {
        broadcast_ = std::move(info);
    }
    void write(const void* frames, std::int32_t byteCount) override;
    void finish() override;
    void abort() noexcept override;

private:
    std::unique_ptr<WaveFileWriter> writer_;
    std::optional<BroadcastInfo> broadcast_;
};

} // namespace sundra
