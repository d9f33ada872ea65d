#pragma once
// The automatic detection explained, for analyze and the window's detection
// report: the recording's noise floor, every candidate gap with its place,
// length, depth and score, which the detection cut at and why, and the near
// misses.

#include "split/gap_choice.h"
#include "split/gap_detection.h"

#include <string>
#include <vector>

namespace sundra {

// The noise floor a report names: the RMS of the chosen gaps where they lie at
// the floor (as a meter reads them: DC, rumble and clicks included; gaps of
// digital silence at joins left out), or the floor of the detection when none
// was chosen; kSilenceDb when it is digital silence.
double noiseFloorDb(const GapDetection& detection, const GapChoice& chosen);
// "-50.2 dBFS", or "digital silence" for a floor of exactly zero, followed by
// the level of the gaps that hold noise when some do ("digital silence;
// -52.7 dBFS in 9 of the 13 gaps").
std::string floorText(const GapDetection& detection, const GapChoice& chosen);

// Why a candidate was cut at, or not, with the chosen cuts: a few words.
std::string gapVerdict(const GapDetection& detection, const GapChoice& chosen, std::size_t index);

// How many of the best candidates not cut at the report names as near misses.
inline constexpr std::size_t kNearMisses = 5;

// The best-scored candidates not among the chosen, at most kNearMisses.
GapChoice nearMisses(const GapDetection& detection, const GapChoice& chosen);

// The report's lines about the automatic detection and its choice.
std::vector<std::string> gapReportLines(const GapDetection& detection, const GapChoice& chosen);

} // namespace sundra
