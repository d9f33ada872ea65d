#pragma once
// What the sound of a record's quiet stretches tells, read again after the one
// pass over its levels (a few seconds of audio): which steady stretches are
// noise, and so floors of their own; and which gaps hide music under the
// floor.

#include "core/sample_stream.h"
#include "split/gap_detection.h"
#include "split/loudness_envelope.h"

#include <vector>

namespace sundra {

// The gaps of the envelope of source (the scanned track), with the stretches
// whose sound is noise as floors of their own and music hidden under the floor
// marked. Leaves the source's position where its reads end.
GapDetection findGaps(const LoudnessEnvelope& envelope, SampleReader& source);

// The steady stretches whose sound is noise and that are floors: those of a
// second or more, and shorter ones no more than kFloorDriftDb above one of
// those.
std::vector<SteadyStretch> hearOwnFloors(SampleReader& source,
                                         const std::vector<SteadyStretch>& stretches);

} // namespace sundra
