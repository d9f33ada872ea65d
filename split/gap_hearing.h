#pragma once
// What the sound of a record's quiet stretches tells, read again after the one
// pass over its levels (a few seconds of audio): which steady stretches are
// noise, and so floors of their own; which gaps hide music under the floor;
// and the plain RMS of the floor that a meter would read in the gaps.

#include "core/sample_stream.h"
#include "split/gap_detection.h"
#include "split/loudness_envelope.h"

#include <vector>

namespace sundra {

// The gaps of the envelope of source (the scanned track), with the stretches
// whose sound is noise as floors of their own, music hidden under the floor
// marked and the floor's RMS measured. Leaves the source's position where its
// reads end.
GapDetection findGaps(const LoudnessEnvelope& envelope, SampleReader& source);

// The steady stretches whose sound is noise and that are floors: those of a
// second or more, and shorter ones no more than kFloorDriftDb above one of
// those.
std::vector<SteadyStretch> hearOwnFloors(SampleReader& source,
                                         const std::vector<SteadyStretch>& stretches);

// Sets the floorRmsDb of every clear gap to the plain RMS of its floor's
// samples (DC, rumble and clicks included), all channels together.
void measureFloorRms(SampleReader& source, GapDetection& detection);

} // namespace sundra
