#include "split/export_format.h"

#include <algorithm>
#include <array>

namespace sundra {

namespace {

struct FormatRow {
    ExportFormat format;
    const char* name;
    const char* label;
    const char* extension;
};

constexpr std::array<FormatRow, kExportFormatCount> kFormats{{
    {ExportFormat::Wav, "wav", "WAV (unchanged samples)", ".wav"},
    {ExportFormat::Flac, "flac", "FLAC (lossless)", ".flac"},
    {ExportFormat::OggVorbis, "ogg", "Ogg Vorbis", ".ogg"},
    {ExportFormat::Opus, "opus", "Opus", ".opus"},
    {ExportFormat::Mp3, "mp3", "MP3", ".mp3"},
}};

const FormatRow& rowOf(ExportFormat format) {
    for (const FormatRow& row : kFormats)
        if (row.format == format)
            return row;
    return kFormats[0];
}

bool hasSampleShapeWeEncode(const WaveFormat& source) {
    if (isFloat(source))
        return source.bitsPerSample == 32 || source.bitsPerSample == 64;
    return source.bitsPerSample == 8 || source.bitsPerSample == 16 || source.bitsPerSample == 24 ||
           source.bitsPerSample == 32;
}

std::string rateText(const WaveFormat& source) {
    return std::to_string(source.samplesPerSecond) + " samples per second";
}

} // namespace

const char* exportFormatName(ExportFormat format) {
    return rowOf(format).name;
}

std::optional<ExportFormat> exportFormatNamed(const std::string& name) {
    for (const FormatRow& row : kFormats)
        if (name == row.name)
            return row.format;
    return std::nullopt;
}

const char* exportFormatLabel(ExportFormat format) {
    return rowOf(format).label;
}

const char* exportFormatExtension(ExportFormat format) {
    return rowOf(format).extension;
}

ExportFormat exportFormatFromValue(int value) {
    for (const FormatRow& row : kFormats)
        if (static_cast<int>(row.format) == value)
            return row.format;
    return ExportFormat::Wav;
}

bool isLossy(ExportFormat format) {
    return format == ExportFormat::OggVorbis || format == ExportFormat::Opus ||
           format == ExportFormat::Mp3;
}

int flacBitsFor(const WaveFormat& source) {
    if (isFloat(source) || source.bitsPerSample > 24)
        return 24;
    return source.bitsPerSample;
}

std::optional<std::string> exportProblem(ExportFormat format, const WaveFormat& source) {
    if (format == ExportFormat::Wav)
        return std::nullopt;
    const std::string name = rowOf(format).label;
    if (!hasSampleShapeWeEncode(source))
        return name + " export takes 8, 16, 24 or 32-bit samples, not " +
               std::to_string(source.bitsPerSample) + "-bit ones.";
    if (source.channels < 1)
        return name + " export needs at least one channel.";
    switch (format) {
    case ExportFormat::Flac:
        if (source.channels > 8)
            return "FLAC holds at most 8 channels, not " + std::to_string(source.channels) + ".";
        if (source.samplesPerSecond < 1 || source.samplesPerSecond > 655350)
            return "FLAC cannot hold " + rateText(source) + ".";
        break;
    case ExportFormat::OggVorbis:
        if (source.channels > 255 || source.samplesPerSecond < 1000 ||
            source.samplesPerSecond > 200000)
            return "Ogg Vorbis cannot hold " + std::to_string(source.channels) + " channels at " +
                   rateText(source) + ".";
        break;
    case ExportFormat::Opus: {
        constexpr std::array<int, 5> kRates{8000, 12000, 16000, 24000, 48000};
        if (std::find(kRates.begin(), kRates.end(), source.samplesPerSecond) == kRates.end())
            return "Opus takes 8000, 12000, 16000, 24000 or 48000 samples per second, not " +
                   std::to_string(source.samplesPerSecond) + ".";
        if (source.channels > 8)
            return "Opus holds at most 8 channels, not " + std::to_string(source.channels) + ".";
        break;
    }
    case ExportFormat::Mp3: {
        constexpr std::array<int, 9> kRates{8000,  11025, 12000, 16000, 22050,
                                            24000, 32000, 44100, 48000};
        if (std::find(kRates.begin(), kRates.end(), source.samplesPerSecond) == kRates.end())
            return "MP3 cannot hold " + rateText(source) + ".";
        if (source.channels > 2)
            return "MP3 holds one or two channels, not " + std::to_string(source.channels) + ".";
        break;
    }
    case ExportFormat::Wav:
        break;
    }
    return std::nullopt;
}

} // namespace sundra
