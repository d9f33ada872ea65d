#pragma once
// The pieces that the automatic split would cut, worked out from the block
// levels of one scan instead of by reading the track again: exactly the pieces
// of splitAll, including where a pause scan runs out before the end. This is
// what lets a display show the outcome of every sense level at once.

#include "split/block_scan.h"
#include "split/split_settings.h"

#include <array>
#include <vector>

namespace sundra {

// The sense-level positions of the settings page: 0..100, level = position x 0.001.
inline constexpr int kSenseLevelPositions = 101;
double senseLevelAt(int position);

// The pieces of splitAll(source, settings), in frames of the source. The scan
// must have been made for settings.senseTime and settings.clickFilterMs.
std::vector<FrameSpan> previewAutoSplit(const BlockScan& scan, const SplitSettings& settings);

// How many pieces splitAll gives at every sense-level position, the other
// settings as given.
std::array<int, kSenseLevelPositions> piecesPerLevel(const BlockScan& scan,
                                                     const SplitSettings& settings);

} // namespace sundra
