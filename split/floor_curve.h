#pragma once
// The floor every window of a record's level curve is judged against: the
// level of its quietest sustained sound nearby (hiss, hum, rumble, or digital
// silence), the body of music it lies in, and how close to it a level must be
// to be at it. Levels are in dB (RMS of 10 ms windows, dBFS), places in
// windows of the envelope.

#include "split/loudness_envelope.h"

#include <cstdint>
#include <vector>

namespace sundra {

struct WindowSpan {
    std::int32_t start = 0;
    std::int32_t end = 0;
    std::int32_t length() const { return end - start; }
};

// A level "held" for half a second is a sustained one.
inline constexpr double kSustainSeconds = 0.5;
// At the floor: within the floor's own flutter of it, but never closer than
// 1 dB, where music is a quarter as loud as the floor, nor further than 3 dB,
// where it is as loud.
inline constexpr double kLeastMarginDb = 1.0;
inline constexpr double kMostMarginDb = 3.0;
// The floor drifts on a real transfer (wear, rumble, another tape): each place
// is judged against the quietest sustained level within a minute of it...
inline constexpr double kFloorReachSeconds = 60.0;
// ...but a
// place with no gap near (inside a long song) must not take its own quietest
// passage for the floor: the floor there is at most this far above the floor
// of the recording.
inline constexpr double kFloorDriftDb = 6.0;

struct FloorCurve {
    WindowSpan body;       // from the first to the last sustained music
    double gapFloorDb = 0; // the quietest second between them
    double marginDb = 0;   // how close to the floor a level is at it
    std::vector<float> levels;
};

// The windows of an envelope that last about `seconds`, at least one.
std::int32_t windowsOf(const LoudnessEnvelope& envelope, double seconds);

// The floor of every window of level (held: its level held for kSustainSeconds
// ahead), for a record whose music mostly keeps musicDb. Empty body when no
// music holds anywhere.
FloorCurve floorCurve(const std::vector<float>& level, const std::vector<float>& held,
                      const LoudnessEnvelope& envelope, double musicDb);

} // namespace sundra
