#pragma once
// WAV files as recorders, editors and archive tools write them, built byte by
// byte: chunks before and after the format and the data, odd sizes with and
// without their pad byte, unfinished headers, samples in wider containers and
// Broadcast Wave records. Each comes with what a reader must make of it.

#include "core/broadcast_info.h"
#include "core/wave_format.h"
#include "tests/support/test_files.h"

#include <optional>
#include <string>
#include <vector>

namespace sundra::test {

// A chunk: its identifier, its body and the pad byte after an odd body
// (false: left out, as some writers do). sizeField overrides the size.
Bytes riffChunk(const char (&id)[5], const Bytes& body, bool pad = true,
                std::optional<std::uint32_t> sizeField = std::nullopt);
// "RIFF", its size, "WAVE" and the chunks.
Bytes riffFile(const std::vector<Bytes>& chunks);

// The format chunk of a format with plain PCM (valid bits as bits per
// sample), or WAVE_FORMAT_EXTENSIBLE with the container as bits per sample.
Bytes formatChunk(const WaveFormat& format, bool extensible = false);

// The bext body as field recorders write it, with a coding history.
Bytes bextBody(const BroadcastInfo& info);

// frames frames of a ramp that tells every sample apart, in the format's
// container, the bits below the valid ones zero.
Bytes rampSamples(const WaveFormat& format, std::int32_t frames);

struct SourceFile {
    std::string name;
    Bytes image;
    WaveFormat format;
    Bytes samples; // what a reader must hand out, all of it
    std::optional<BroadcastInfo> broadcast;
};

// One file of every shape above, of about `frames` frames each.
std::vector<SourceFile> filesAsOthersWriteThem(std::int32_t frames = 1000);

} // namespace sundra::test
