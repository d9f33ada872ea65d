#pragma once
// ExportWriter: writes one exported track into a file it is handed, whatever
// the format. open lays down what comes before the samples, write takes whole
// frames in the source's own sample layout (as the tracks read them), finish
// completes the file and abort abandons it. The writer owns the file from open
// until finish or abort; the caller decides where the file ends up (the staged
// file rules), so a writer never names or renames anything.

#include "core/broadcast_info.h"
#include "core/file.h"
#include "core/wave_format.h"
#include "split/export_format.h"
#include "split/track_tags.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>

namespace sundra {

// An encoder refused the track; what() says why in the user's words.
class ExportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ExportWriter {
public:
    virtual ~ExportWriter() = default;

    // frames is the track's length, known before it is written (a WAV file
    // that will pass 4 GiB is begun as one). File errors are FileErrors of the
    // file's path; encoder errors ExportErrors.
    virtual void open(std::unique_ptr<File> file, const WaveFormat& source, std::int64_t frames,
                      const TrackTags& tags) = 0;
    // The Broadcast Wave record of the next track opened (nothing for a source
    // without one). Only WAV files have a place for it; the others ignore it.
    virtual void setBroadcastInfo(std::optional<BroadcastInfo>) {}
    virtual void write(const void* frames, std::int32_t byteCount) = 0;
    // Completes and closes the file; a failure to do so throws.
    virtual void finish() = 0;
    // Releases the file without completing it. Never throws.
    virtual void abort() noexcept = 0;
};

// The writer of a format: our own WAV writer or a libsndfile encoder.
std::unique_ptr<ExportWriter> makeExportWriter(const ExportSettings& settings);

} // namespace sundra
