#pragma once
// Finding the tracks of a record without settings, as the work of one worker
// thread: one pass over the track for its loudness envelope, the gap
// detection, and the cuts chosen automatically, by a number of tracks or by a
// track list's durations. While it reads, the source's position shows how far
// it has come (as for Auto Split); the stop event is tested after every block.
// A window keeps the FoundTracks to draw the candidates and the choice, and can
// choose again from the same detection without reading the track again.

#include "audio/notifier.h"
#include "audio/waitable.h"
#include "core/sample_stream.h"
#include "split/auto_split.h"
#include "split/gap_choice.h"
#include "split/gap_detection.h"

#include <optional>
#include <string>
#include <vector>

namespace sundra {

// The numbers of tracks a user may ask for.
inline constexpr int kFewestTracks = 2;
inline constexpr int kMostTracks = 999;

// A fit whose tracks are further off their listed times than this is a list of
// another recording, or the wrong lines of it.
inline constexpr double kWorstFitSeconds = 30.0;

enum class TrackSearch { Automatic, ByCount, ByDurations };

struct TrackRequest {
    TrackSearch search = TrackSearch::Automatic;
    std::size_t tracks = 0;        // ByCount: the number of tracks wanted
    std::vector<double> durations; // ByDurations: a track list's times, seconds per line
    bool anyRunOfLines = true;     // ByDurations: the tracks may be a run of the lines
};

struct FoundTracks {
    GapDetection detection;
    GapChoice chosen;               // the cuts
    std::vector<FrameSpan> tracks;  // frames of the scanned track; none without music
    std::optional<DurationFit> fit; // ByDurations: the lines the tracks are
    // False when the request needs more cuts than there are candidates (or,
    // for a track list, no run of its lines can be placed): then no tracks.
    bool met = true;
};

// Why the tracks cannot be cut as asked ("found only K gaps", or a track list
// that does not fit the recording); empty when they can.
std::string trackProblem(const FoundTracks& found);

// The request's choice over a detection already made.
FoundTracks chooseTracks(GapDetection detection, const TrackRequest& request);

// Reads the source from frame 0 and chooses; empty when stopEvent was set.
std::optional<FoundTracks> findTracks(SampleReader& source, const TrackRequest& request,
                                      Event* stopEvent);

// The worker's run, as for the split into a known number of tracks: fills
// pieces (emptied first) with segments over source, or leaves it empty when
// the request cannot be met, and posts dialog.post(kIdOk, 0) unless stopped.
// Returns what was found; empty when stopped.
std::optional<FoundTracks> findTrackPieces(SampleReaderWriter& source, const TrackRequest& request,
                                           Event& stopEvent, PieceList& pieces, Notifier& dialog);

} // namespace sundra
