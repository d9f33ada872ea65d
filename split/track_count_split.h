#pragma once
// Splitting a track into a number of pieces that the user knows (the tracks a
// sleeve lists): the cuts go into the longest pauses, whatever their length. A
// pause here is a run of quiet blocks between two loud blocks, with the blocks
// and the level rule of the automatic split; the quiet before the first sound
// and after the last is no pause.

#include "audio/notifier.h"
#include "audio/waitable.h"
#include "core/sample_stream.h"
#include "split/auto_split.h"
#include "split/block_scan.h"
#include "split/split_settings.h"

#include <cstdint>
#include <vector>

namespace sundra {

inline constexpr int kFewestTracks = 2;
inline constexpr int kMostTracks = 999;

// A pause in blocks of a scan: [firstBlock, endBlock) are quiet, the blocks on
// either side loud.
struct QuietRun {
    std::int32_t firstBlock = 0;
    std::int32_t endBlock = 0;
    std::int32_t blocks() const { return endBlock - firstBlock; }
};

// Every pause of the scan at the sense level, in track order.
std::vector<QuietRun> quietRuns(const BlockScan& scan, double senseLevel);

struct TrackCut {
    int pausesFound = 0;           // pauses in the whole track
    std::vector<FrameSpan> pieces; // empty when fewer than trackCount - 1 pauses
};

// The trackCount pieces cut at the trackCount - 1 longest pauses (of equal
// lengths the earlier first). With trimSpace the chosen pauses and the quiet
// before the first and after the last sound belong to no piece; without it
// every cut falls where the next sound begins and the pieces cover the track.
TrackCut cutIntoTracks(const BlockScan& scan, double senseLevel, bool trimSpace, int trackCount);

struct TrackSplitOutcome {
    bool finished = false; // false when stopped before the scan was complete
    int pausesFound = 0;
};

// The split-all worker's run for a known number of tracks: scans the source
// once (testing stopEvent after every block), fills pieces (emptied first) with
// segments over source, or leaves it empty when the pauses do not suffice, and
// posts dialog.post(kIdOk, 0) unless it was stopped.
TrackSplitOutcome splitIntoTracks(SampleReaderWriter& source, const SplitSettings& settings,
                                  int trackCount, Event& stopEvent, PieceList& pieces,
                                  Notifier& dialog);

} // namespace sundra
