#pragma once
// The gaps between the songs of a record, found without settings from its
// loudness envelope. A gap is a stretch where the sound sinks to the
// recording's own floor (hiss, hum, rumble, or digital silence) and stays
// there, with music on either side well above it. Every stretch that lies
// well below the music on both sides is a candidate: a soft passage inside a
// song is one too, so that the choosers (gap_choice.h) and the report can weigh
// them all. All levels are in dB (RMS of 10 ms windows, dBFS); all places are
// frames of the scanned track.

#include "split/block_scan.h"
#include "split/loudness_envelope.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace sundra {

// Gaps between the songs of a record are 0.7 s and longer; the part of the
// shortest that lies at the floor, once a cold end's decay and a cold start's
// attack have taken their share, is no shorter than this. Rests inside songs
// that reach the floor mostly are.
inline constexpr double kShortestGapSeconds = 0.6;
// The music on both sides lies at least this far above a gap: a quiet song on
// a noisy transfer still rises a good deal above its floor.
inline constexpr double kLeastDepthDb = 10.0;

struct GapCandidate {
    FrameSpan dip;               // where the sound stays well below the music on both sides
    FrameSpan floor;             // the longest stretch of the dip at the floor (empty: never there)
    std::int32_t cut = 0;        // the quietest point of the dip
    std::int32_t musicEnd = 0;   // where the sound before sinks into the floor
    std::int32_t musicStart = 0; // where the sound after rises out of it
    double levelDb = 0.0;        // the dip's quietest level
    double floorDb = 0.0;        // the floor it is judged against
    double beforeDb = 0.0;       // the music before it
    double afterDb = 0.0;        // and after it
    double floorSeconds = 0.0;   // the length of `floor`
    double floorRmsDb = 0.0;     // the RMS of `floor` (clicks included), dBFS; of a clear
                                 // gap its samples' plain RMS (gap_hearing.h)
    double score = 0.0;          // higher: more surely a gap between songs
    // How the spectrum of its quietest half second stands out from the shape
    // the record's gaps share (gap_spectrum.h), and whether music hides there.
    double toneDb = 0.0;
    bool hidesMusic = false;

    double depthDb() const;      // below the quieter side's music
    double aboveFloorDb() const; // how far its quietest level stays above the floor
    bool reachesFloor() const { return floor.end > floor.start; }
};

// A steady stretch of sound far below the music on both sides that the
// recording's floor does not reach. It may be a floor of its own: a gap of
// hiss on a record whose other gaps are digital silence, the noise of another
// source on a compilation. Whether its sound is noise, the detection cannot
// tell from levels (gap_hearing.h listens).
struct SteadyStretch {
    FrameSpan span;
    FrameSpan quietest;   // its quietest kShortestGapSeconds
    double levelDb = 0.0; // its quietest sustained level
};

struct GapDetection {
    std::int32_t samplesPerSecond = 0;
    std::int32_t length = 0;
    // The level of the recording's quietest sustained stretches; kSilenceDb
    // when they are digital silence.
    double floorDb = 0.0;
    double musicDb = 0.0;  // the level the music mostly keeps
    double marginDb = 0.0; // how close to the floor a level is at it
    // Where the first song rises out of the floor and the last sinks into it:
    // the lead-in before and the run-out after belong to no track.
    std::int32_t firstMusic = 0;
    std::int32_t lastMusic = 0;
    std::vector<GapCandidate> candidates; // between firstMusic and lastMusic, in order
    // The steady stretches heard to be floors of their own, each judging the
    // dip it lies in.
    std::vector<SteadyStretch> ownFloors;

    bool digitalSilence() const;
    double seconds(std::int64_t frames) const;
};

// Which of the steady stretches offered are floors of their own: the caller
// listens to them (gap_hearing.h).
using FloorHearing = std::function<std::vector<SteadyStretch>(const std::vector<SteadyStretch>&)>;

// The candidates of an envelope. An envelope without any music above its floor
// gives no candidate and firstMusic == lastMusic. With hearing, the steady
// stretches it takes for floors of their own judge the dips they lie in: each
// by the quietest of them within a minute, from where the music before sinks
// half the way down to it to where the music after rises as far.
GapDetection detectGaps(const LoudnessEnvelope& envelope, const FloorHearing& hearing = {});

} // namespace sundra
