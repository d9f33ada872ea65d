#include "split/export_writer.h"

#include "split/sndfile_export_writer.h"
#include "split/wav_export_writer.h"

namespace sundra {

std::unique_ptr<ExportWriter> makeExportWriter(const ExportSettings& settings) {
    if (settings.format == ExportFormat::Wav)
        return std::make_unique<WavExportWriter>();
    return std::make_unique<SndfileExportWriter>(settings);
}

} // namespace sundra
