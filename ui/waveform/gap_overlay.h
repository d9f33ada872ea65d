#pragma once
// GapOverlay: the gaps a detection of the tracks found, drawn over the
// waveform beside the level rule's pauses. The gaps it cut at are shaded
// with a solid line at the cut; the near misses (the best gaps it did not cut
// at) are hatched, with a dashed line where their cut would be; a caption
// counts both. Places are frames of the master.

#include "split/track_finder.h"

#include <QRectF>

#include <cstdint>
#include <functional>
#include <vector>

class QPainter;
class QPalette;

struct GapMark {
    // Where the music before sinks into the floor to where the music after
    // rises out of it; for a gap that never gets there, the stretch well
    // below the music on both sides.
    sundra::FrameSpan span;
    std::int32_t cut = 0; // its quietest point
    friend bool operator==(const GapMark&, const GapMark&) = default;
};

struct GapOverlay {
    std::vector<GapMark> chosen;
    std::vector<GapMark> nearMisses;
    friend bool operator==(const GapOverlay&, const GapOverlay&) = default;
};

// The overlay of found, a detection of the track that starts at frame start
// of the master.
GapOverlay makeGapOverlay(const sundra::FoundTracks& found, std::int32_t start);

// Paints overlay over area; xOfFrame places a frame of the master. The
// caption's top edge lies at captionTop, in the colours of palette.
void paintGapOverlay(QPainter& painter, const GapOverlay& overlay,
                     const std::function<double(std::int64_t)>& xOfFrame, const QRectF& area,
                     double captionTop, const QPalette& palette);
