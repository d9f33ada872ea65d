#pragma once
// The automatic split: cuts one track into pieces at its pauses. The source is
// scanned in blocks of 1/blocksPerSecond second; a block is loud when the level
// (the largest magnitude over its channels) of some frame rises above the sense
// level (with a click filter, of a frame in a run of enough loud 10 ms windows:
// BlockReader), and more than senseTime of quiet blocks make a pause. Every
// piece is a TrackSegment over the scanned source, owned by the PieceList that
// collects it. All of this runs on one thread (the split-all worker); the only
// value another thread may read meanwhile is the source's position (a progress
// display).

#include "audio/notifier.h"
#include "audio/waitable.h"
#include "core/sample_stream.h"
#include "core/track_segment.h"
#include "split/split_settings.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sundra {

using PieceList = std::vector<std::unique_ptr<TrackSegment>>;

// The split always scans quarter-second blocks.
inline constexpr std::int32_t kSplitBlocksPerSecond = 4;

// Quiet blocks that may follow a sound without ending it: trunc(blocksPerSecond x
// senseTime), never below 0. A pause is one block more than this.
std::int64_t pauseBlockCount(double senseTime, std::int32_t blocksPerSecond);

// Scans forward from the source's position for the first loud block. Returns
// its first frame, or where reading stopped (normally the length) when none is
// loud; the source is left there. Posts notifier.post(per mille, 0) after each
// block that does not end the scan. clickFilterMs as for BlockReader (0 = off).
std::int32_t findSoundStart(SampleReader& source, double senseLevel, std::int32_t blocksPerSecond,
                            Notifier& notifier, std::int32_t clickFilterMs = 0);

// Scans forward for the first of more than pauseBlockCount quiet blocks in a
// row and returns its first frame. When the source runs out first, the result
// is the length minus pauseBlockCount whole blocks, which may lie before the
// scan's start; it is never allowed to lie before frame 0 of the master (the
// position is held there instead). The source is left at the result.
std::int32_t findPauseStart(SampleReader& source, double senseLevel, double senseTime,
                            std::int32_t blocksPerSecond, Notifier& notifier,
                            std::int32_t clickFilterMs = 0);

// Cuts the piece that starts at the source's position. With trimSpace it is the
// sound up to the next pause; without, it runs from the position over the
// sound and the following pause up to the next sound. Null when nothing is left
// (start not before end). The piece's frames are frames of source.
std::unique_ptr<TrackSegment> cutNextPiece(SampleReaderWriter& source, double senseLevel,
                                           double senseTime, bool trimSpace,
                                           std::int32_t blocksPerSecond, Notifier& notifier,
                                           std::int32_t clickFilterMs = 0);

// Fills pieces (emptied first) with every piece of source longer than the
// minimum time, testing stopEvent between pieces. Posts dialog.post(kIdOk, 0)
// when done and returns 0. Stream and memory errors propagate as exceptions;
// the pieces found so far stay and nothing is posted then.
int splitAll(SampleReaderWriter& source, const SplitSettings& settings, Event& stopEvent,
             PieceList& pieces, Notifier& dialog);

// Name of piece index of a row: rowName + "-" + index with at least two digits.
// The row name is copied as it is (a per-cent sign in it is an ordinary character).
std::string pieceName(const std::string& rowName, int index);

} // namespace sundra
