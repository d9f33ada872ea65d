#pragma once
// The cuts as the waveform draws and grabs them: a line at each edge of a
// track, one line where two tracks touch, with handles at the top and the
// bottom. A shared cut's handles point both ways; a lone edge's point into its
// own track.

#include "core/track_edges.h"
#include "core/track_list.h"

#include <QColor>
#include <QSizeF>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QPainter;

struct CutLine {
    sundra::TrackEdge edge;
    std::int32_t frame;
    bool shared; // the end of a track that the next one starts right after
};

// The lines of rows, in row order.
std::vector<CutLine> cutLines(const sundra::TrackList& rows);

// Where a frame is drawn (pixels from the left).
using FrameToX = std::function<double(std::int64_t frame)>;

// The edge a press at x grabs: the line nearest to it within grabPixels.
std::optional<sundra::TrackEdge> grabbedEdge(const std::vector<CutLine>& lines, double x,
                                             const FrameToX& xOf, double grabPixels);

// Draws the lines over an area of size, in colour.
void drawCutLines(QPainter& painter, const std::vector<CutLine>& lines, const FrameToX& xOf,
                  const QSizeF& size, double dpr, const QColor& colour);
