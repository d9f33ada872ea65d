#pragma once
// Whether an analysis block of the split's scans is loud. Without the click
// filter a block is loud when any frame rises above the sense level. With it, a
// block is loud only when it holds enough loud 10 ms windows in a row, so that
// the clicks and pops of a worn record (one to a few frames each) no longer end a
// pause or start a song early, while music, loud in every window, still counts.

#include "core/sample_buffer.h"
#include "core/wave_format.h"

#include <cstdint>

namespace sundra {

// Frames of one window of the click filter: trunc(samplesPerSecond / 100),
// never below one frame.
std::int32_t clickWindowFrames(const WaveFormat& format);

// Loud windows in a row that make a block loud: ceil(clickFilterMs / 10). Zero
// means the filter is off, as it is for any clickFilterMs of 0 or below.
std::int64_t clickWindowsNeeded(std::int32_t clickFilterMs);

// The loud test of every block scan, over the block's used frames. The block is
// cut into windows of clickWindowFrames counted from its first frame (the last
// may be shorter); a window is loud when any of its frames is above senseLevel.
// With the filter off this is exactly anyFrameAbove(block, senseLevel).
bool blockIsLoud(const SampleBuffer& block, double senseLevel, std::int32_t clickFilterMs);

} // namespace sundra
