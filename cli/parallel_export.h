#pragma once
// The export of tracks on several threads at once. Tracks of one master share
// its read position, so each thread opens the file again and reads its own
// tracks through its own reader; a thread takes the next track when it has
// finished one. Every file keeps the rules of the one-at-a-time export (staged,
// complete or absent); the files simply appear in a different order.

#include "audio/waitable.h"
#include "split/export_format.h"
#include "split/track_tags.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sundra::cli {

struct ParallelExport {
    std::string documentPath; // the WAV file the tracks are cut from
    std::optional<std::string> outputFolder;
    ExportSettings settings;
    std::vector<std::string> names;
    std::vector<std::int32_t> starts, ends; // frames of the master, per track
    std::vector<TrackTags> tags;            // one per track

    // Writes every track with `threads` threads; stopEvent is tested between
    // blocks, and a stop abandons the files in progress (none is left under a
    // track's name or as a temporary file). The first error stops the others
    // from starting new files and is rethrown once all have finished.
    void run(Event& stopEvent, int threads);

    std::atomic<int> filesDone{0};
};

} // namespace sundra::cli
