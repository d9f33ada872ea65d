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

// The frames of a spectrum's window at a rate: about 23 ms (1024 frames at
// 44.1 kHz), a power of two.
std::int32_t spectrumWindowFrames(std::int32_t rate);

// The levels of span's frames of source, channel by channel in each frame
// (full scale 1.0); leaves the source's position where the read ends.
std::vector<double> readLevels(SampleReader& source, const FrameSpan& span);

// How a spectrum (floorSpectrumDb, windows of size frames at rate) spreads over
// the band where music and noise differ (above hum and rumble, below a tape's
// treble loss): its flatness (the mean of its bins in dB less the dB of their
// mean; 0 for white noise, about -3 for pink, far lower for music, whose
// power gathers in a few frequencies) and how far its third strongest bin
// stands out from its own smoothed shape (a note's partials stand far out).
struct SpectrumSpread {
    double flatnessDb = 0.0;
    double partialsDb = 0.0;
    // Spreads over every frequency as hiss, surface noise or room noise do.
    bool noise() const;
};
SpectrumSpread spectrumSpread(const std::vector<double>& spectrum, std::int32_t rate,
                              std::int32_t size);

// A power spectrum in dB of frames frames of interleaved levels (channels of
// each frame in turn): the mean over Hann windows of `size` frames, half
// overlapping, of the channels' summed power in each of size / 2 bins, windows
// eight times as loud as the median one (clicks) left out. Empty when the frames fill
// no window. Exposed for the tests.
std::vector<double> floorSpectrumDb(const std::vector<double>& levels, std::int32_t channels,
                                    std::int32_t size);

} // namespace sundra
