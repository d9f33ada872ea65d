#include "split/track_finder.h"

#include "split/gap_hearing.h"
#include "split/loudness_envelope.h"

#include <cstdio>

namespace sundra {

std::string trackProblem(const FoundTracks& found) {
    if (!found.met)
        return "found only " + std::to_string(found.detection.candidates.size()) + " gaps";
    if (found.fit && found.fit->worstSeconds > kWorstFitSeconds) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "the track list does not fit the recording: a track is %.0f s off its time",
                      found.fit->worstSeconds);
        return text;
    }
    return {};
}

FoundTracks chooseTracks(GapDetection detection, const TrackRequest& request) {
    FoundTracks found;
    found.detection = std::move(detection);
    switch (request.search) {
    case TrackSearch::Automatic:
        found.chosen = chooseGaps(found.detection);
        break;
    case TrackSearch::ByCount: {
        const std::size_t cuts = request.tracks > 0 ? request.tracks - 1 : 0;
        std::optional<GapChoice> best = chooseBestGaps(found.detection, cuts);
        found.met = best.has_value();
        if (best)
            found.chosen = std::move(*best);
        break;
    }
    case TrackSearch::ByDurations:
        found.fit = fitDurations(found.detection, request.durations, request.anyRunOfLines);
        found.met = found.fit.has_value();
        if (found.fit)
            found.chosen = found.fit->gaps;
        break;
    }
    if (found.met)
        found.tracks = tracksBetween(found.detection, found.chosen);
    return found;
}

std::optional<FoundTracks> findTracks(SampleReader& source, const TrackRequest& request,
                                      Event* stopEvent) {
    std::optional<LoudnessEnvelope> envelope = scanEnvelope(source, stopEvent);
    if (!envelope)
        return std::nullopt;
    GapDetection detection = findGaps(*envelope, source);
    envelope.reset();
    return chooseTracks(std::move(detection), request);
}

std::optional<FoundTracks> findTrackPieces(SampleReaderWriter& source, const TrackRequest& request,
                                           Event& stopEvent, PieceList& pieces, Notifier& dialog) {
    pieces.clear();
    if (stopEvent.lock(0))
        return std::nullopt;
    std::optional<FoundTracks> found = findTracks(source, request, &stopEvent);
    if (!found)
        return std::nullopt;
    for (const FrameSpan& track : found->tracks)
        pieces.push_back(std::make_unique<TrackSegment>(source, track.start, track.end));
    dialog.post(kIdOk, 0);
    return found;
}

} // namespace sundra
