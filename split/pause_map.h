#pragma once
// What a display of the detection draws over a track: the pauses at a sense
// level and the pieces that Auto Split would cut, in frames of the track, all
// worked out from one block scan. Moving a slider only recomputes these; the
// track is read again only when the scan no longer fits the settings.

#include "split/block_scan.h"
#include "split/split_settings.h"

#include <cstdint>
#include <vector>

namespace sundra {

// A pause in blocks of a scan: [firstBlock, endBlock) are quiet, the blocks on
// either side loud. The quiet before the first sound and after the last is no
// pause.
struct QuietRun {
    std::int32_t firstBlock = 0;
    std::int32_t endBlock = 0;
    std::int32_t blocks() const { return endBlock - firstBlock; }
};

// Every pause of the scan at the sense level, in track order.
std::vector<QuietRun> quietRuns(const BlockScan& scan, double senseLevel);

struct PauseMap {
    std::vector<FrameSpan> pauses; // the quiet runs between two loud blocks
    std::vector<FrameSpan> pieces; // the pieces of the automatic split
    friend bool operator==(const PauseMap&, const PauseMap&) = default;
};

// The frames of every quiet run of the scan at senseLevel, in track order.
std::vector<FrameSpan> pauseSpans(const BlockScan& scan, double senseLevel);

// Whether a scan made with other settings serves settings as well: its click
// filter is theirs and their sense time gives it the same pause length.
bool scanFits(const BlockScan& scan, const SplitSettings& settings);
// Whether one scan serves both settings.
bool sameScan(const SplitSettings& a, const SplitSettings& b);

// The pauses at settings.senseLevel and the pieces of the automatic split with
// settings; the scan must fit them.
PauseMap mapPauses(const BlockScan& scan, const SplitSettings& settings);

} // namespace sundra
