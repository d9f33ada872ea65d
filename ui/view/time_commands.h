#pragma once
// TimeCommands: the commands that work at a time the user types, so that "the
// gap at 19:03" is found without guessing. Go To Time shows that place on the
// waveform and sets the mark there, in the track that holds it; Split at Time
// cuts that track exactly there; a double click on a cut of the waveform asks
// for the cut's time and moves it there. Each change of the cuts is one undo
// step of the cuts model ("Split", "Move Cut").
//
// Times count from the start of the file, as the ruler shows them, and go to
// the nearest frame.

#include "core/track_edges.h"

#include <QObject>

#include <cstdint>

class CSundraDoc;
class CommandTable;
class Transport;
class WaveformStrip;
class QWidget;

class TimeCommands : public QObject {
    Q_OBJECT
public:
    TimeCommands(CSundraDoc& document, Transport& transport, WaveformStrip& strip, QWidget* owner);

    // Binds Go To Time and Split at Time.
    void bindCommands(CommandTable& commands);

    void OnGoToTime();
    void OnSplitAtTime();
    // Asks for the time of edge's cut and moves the cut there.
    void OnEditCut(const sundra::TrackEdge& edge);

    // What the commands do with the time once it is typed, as frames of the
    // master: false (and a message) when no track holds it.
    bool goToFrame(std::int64_t frame);
    bool splitAtFrame(std::int64_t frame);

private:
    std::int32_t rate() const;
    std::int64_t lengthMicros() const;
    // The row that holds frame: the selected one if it does, else the first.
    int rowHolding(std::int64_t frame) const;
    // Brings frame into the strip's view (centred when it was out of view).
    void reveal(std::int64_t frame);
    void sayNoTrackHolds(std::int64_t frame);

    CSundraDoc& document_;
    Transport& transport_;
    WaveformStrip& strip_;
    QWidget* owner_;
};
