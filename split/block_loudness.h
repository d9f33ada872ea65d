#pragma once
// How the split's scans judge their analysis blocks. A block is loud when some
// frame in it is heard above the sense level (a frame's level is a magnitude,
// core/units). Without the click filter every frame above the level is heard.
// With it, the track is cut into 10 ms windows counted from its frame 0; a
// window is loud when any of its frames is above the level, and a frame is
// heard only when it is above the level and its window lies in a run of enough
// loud windows in a row. Runs reach across block edges, so whether a sound is
// heard does not depend on where the blocks happen to fall, and a filter longer
// than a block still hears a long enough sound. The clicks and pops of a worn
// record (one to a few frames each) then no longer end a pause or start a song
// early, while music, loud in every window, still counts.

#include "core/sample_buffer.h"
#include "core/sample_stream.h"
#include "core/wave_format.h"

#include <cstdint>
#include <memory>

namespace sundra {

class ClickFilterRuns;

// Frames of one window of the click filter: trunc(samplesPerSecond / 100),
// never below one frame.
std::int32_t clickWindowFrames(const WaveFormat& format);

// Loud windows in a row that make a sound: ceil(clickFilterMs / 10). Zero
// means the filter is off, as it is for any clickFilterMs of 0 or below; one
// window hears exactly what no filter hears.
std::int64_t clickWindowsNeeded(std::int32_t clickFilterMs);

// Reads a source forward in analysis blocks of 1/blocksPerSecond second from
// its position, as every scan of the split does, and judges each block. With
// the click filter it also reads up to the filter's length before the first
// block and ahead of each block (never before frame 0 of the master), so the
// source's position runs ahead of the blocks; the scans seek to their result.
class BlockReader {
public:
    BlockReader(SampleReader& source, std::int32_t blocksPerSecond, std::int32_t clickFilterMs);
    ~BlockReader();
    BlockReader(const BlockReader&) = delete;
    BlockReader& operator=(const BlockReader&) = delete;

    // Moves to the next block. False when the source has no more frames; start()
    // is then where reading stopped and frames() is 0.
    bool next();
    std::int32_t start() const { return start_; }
    std::int32_t frames() const { return frames_; }
    std::int32_t blockFrames() const { return blockFrames_; }

    // The largest level of a heard frame in the block, 0.0 when none is heard:
    // the block is loud at a sense level L exactly when its level is above L.
    double level() const;
    // level() > senseLevel; without the filter it stops at the first loud frame.
    bool loud(double senseLevel) const;

private:
    SampleReader& source_;
    SampleBuffer block_;
    std::int32_t blockFrames_;
    std::unique_ptr<ClickFilterRuns> runs_; // null without the filter
    std::int32_t start_;
    std::int32_t frames_ = 0;
    double level_ = 0.0; // with the filter
};

} // namespace sundra
