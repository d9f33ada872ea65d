#pragma once
// Music that hides under the floor. On a noisy transfer a soft passage can sink
// below the hiss for a second and look like a gap by its level alone; but the
// ear still hears it, because music gathers in a few frequencies while the
// floor's noise spreads over all of them. A gap holds, somewhere in it, half a
// second of nothing but the floor: its spectrum has the floor's shape. This
// reads the floor stretches of the clear gaps again (a few seconds of audio at
// most) and marks those whose every half second stands out from the shape the
// record's gaps share.

#include "core/sample_stream.h"
#include "split/gap_detection.h"

#include <vector>

namespace sundra {

// The spectrum's standing out (toneDb) of every clear gap of detection, read
// from source (the scanned track); marks hidesMusic where it stands out by far
// more than the record's gaps typically do. Needs a few clear gaps to know
// what they share; with fewer it marks nothing. Leaves the source's position
// where its reads end.
void findHiddenMusic(SampleReader& source, GapDetection& detection);

// A power spectrum in dB of frames frames of interleaved levels (channels of
// each frame in turn): the mean over Hann windows of `size` frames, half
// overlapping, of the channels' summed power in each of size / 2 bins, windows
// eight times as loud as the median one (clicks) left out. Empty when the frames fill
// no window. Exposed for the tests.
std::vector<double> floorSpectrumDb(const std::vector<double>& levels, std::int32_t channels,
                                    std::int32_t size);

} // namespace sundra
