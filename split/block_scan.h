#pragma once
// One pass over a track in the automatic split's analysis blocks, keeping the
// loudness of every block. Everything that reasons about pauses without cutting
// (the split into a known number of tracks, the detection report, the count of
// pieces at every sense level) works from these block levels, so the track is
// read once however many levels are looked at.

#include "audio/waitable.h"
#include "core/sample_buffer.h"
#include "core/sample_stream.h"
#include "core/wave_format.h"
#include "split/block_loudness.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace sundra {

struct FrameSpan {
    std::int32_t start = 0;
    std::int32_t end = 0;
    friend bool operator==(const FrameSpan&, const FrameSpan&) = default;
};

struct BlockScan {
    WaveFormat format;
    std::int32_t blockFrames = 0; // frames of a full block
    std::int32_t length = 0;      // frames of the scanned track
    // The earliest frame of the track that its reads may start from (frame 0 of
    // the master, counted from the track's start): 0 or below.
    std::int32_t earliestFrame = 0;
    // Levels of the blocks from frame 0; only the last one may be short.
    std::vector<double> levels;
    // Levels of the blocks that a pause scan running out before the end leaves
    // behind it: from tailStart (the length minus the pause's quiet blocks but
    // one, never before earliestFrame) to the end.
    std::int32_t tailStart = 0;
    std::vector<double> tailLevels;
    std::int64_t pauseBlocks = 0; // quiet blocks a sound may hold (trunc of 4 x sense time)
    // A block is loud at a sense level L exactly when its level is above L
    // (BlockReader::level with this click filter).
    std::int32_t clickFilterMs = 0;

    std::int32_t blockCount() const { return static_cast<std::int32_t>(levels.size()); }
    std::int32_t blockStart(std::int64_t block) const;
    std::int32_t blockEnd(std::int64_t block) const;
};

// Reads the whole source from frame 0 in blocks of 1/blocksPerSecond second,
// then the tail for the given sense time, each block's level taken with the
// click filter. The source is left at its end. Tests stopEvent (when given)
// after every block; empty when it was set.
std::optional<BlockScan> scanBlocks(SampleReader& source, double senseTime,
                                    std::int32_t blocksPerSecond, std::int32_t clickFilterMs,
                                    Event* stopEvent);

} // namespace sundra
