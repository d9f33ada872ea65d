#pragma once
// The file formats the tracks can be exported in, with their names, file
// extensions and the one quality setting of the lossy ones. WAV is the default
// and is written by our own writer; the others go through libsndfile.

#include "core/wave_format.h"

#include <optional>
#include <string>

namespace sundra {

// The numbers are the stored setting values; keep them.
enum class ExportFormat { Wav = 0, Flac = 1, OggVorbis = 2, Opus = 3, Mp3 = 4 };
constexpr int kExportFormatCount = 5;

struct ExportSettings {
    ExportFormat format = ExportFormat::Wav;
    // 0 (smallest file) to 100 (best sound), for Ogg Vorbis, Opus and MP3. FLAC
    // is lossless and WAV unchanged whatever it says.
    int quality = 60;
};

// "wav", "flac", "ogg", "opus", "mp3": the names the command line takes.
const char* exportFormatName(ExportFormat format);
std::optional<ExportFormat> exportFormatNamed(const std::string& name);
// What a person reads in a list of formats, e.g. "FLAC (lossless)".
const char* exportFormatLabel(ExportFormat format);
// ".flac" and so on; WAV tracks keep the document's own extension instead.
const char* exportFormatExtension(ExportFormat format);
// A stored setting value as a format; unknown values read as WAV.
ExportFormat exportFormatFromValue(int value);

bool isLossy(ExportFormat format);

// Why tracks of this source format cannot be written in this export format, or
// nothing when they can.
std::optional<std::string> exportProblem(ExportFormat format, const WaveFormat& source);

// The bit depth a FLAC file of this source gets: 8, 16 or 24 as the source has
// it; 24 for 32-bit and floating-point sources.
int flacBitsFor(const WaveFormat& source);

} // namespace sundra
