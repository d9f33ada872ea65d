#pragma once
// SplitCommands: the commands that find the tracks of the selected row and
// explain how: Auto Split (the level rule), Find Tracks (the gaps, without
// settings) and Split into Tracks (the gaps, by a count or a sleeve's track
// list), each a progress dialog whose pieces become rows as one undo step;
// the split page's "Detection...", the message of an Auto Split that found
// fewer than two pieces, and the row's pauses drawn on the waveform while the
// split page is on display (it owns that PausePreview). The gaps that Find
// Tracks and Split into Tracks cut by stay drawn on the waveform, with the
// near misses, until another file comes in.
//
// The dialogs are modal and run only while the transport is idle, so nothing
// else uses the selected row or the rows while they scan.

#include "split/split_settings.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class CSplitAllDialog;
class CSplitAllSettingsPage;
class CSplitIntoTracksDialog;
class CSundraDoc;
class CommandTable;
class PausePreview;
class QWidget;
class Transport;
class WaveformStrip;

class SplitCommands {
public:
    // Sets the page's detection opener and controls listener (taken off again
    // when this goes).
    SplitCommands(CSundraDoc& document, Transport& transport, CSplitAllSettingsPage& page,
                  WaveformStrip& strip, QWidget* owner);
    ~SplitCommands();
    SplitCommands(const SplitCommands&) = delete;
    SplitCommands& operator=(const SplitCommands&) = delete;

    // Binds Auto Split, Find Tracks and Split into Tracks.
    void bindCommands(CommandTable& commands);

    void OnAutoSplit();
    // Find Tracks: the row's tracks by its gaps, named as Auto Split's pieces.
    void OnFindTracks();
    // Split into Tracks: reads the row's gaps, then asks for a count or a
    // track list and cuts at the gaps that fit it, or says why it cannot.
    void OnSplitIntoTracks();
    // Replaces the question of Split into Tracks (tests): it gets the dialog
    // and returns its result. Empty restores exec.
    using TracksQuestion = std::function<int(CSplitIntoTracksDialog&)>;
    void setTracksQuestion(TracksQuestion ask) { askTracks_ = std::move(ask); }

    PausePreview& pausePreview() { return *pausePreview_; }

private:
    // The split page's "Detection..." for the selected row; the suggested level
    // when the user takes it.
    std::optional<int> OnDetection(const sundra::SplitSettings& settings, QWidget* parent);
    // After Auto Split: the reason and the suggested level of too few pieces.
    void ReportFewPieces(const CSplitAllDialog& dialog);
    // While the split page is on display: the selected row's pauses on the
    // strip at the settings its controls show; none hides them.
    void ShowPausePreview(const std::optional<sundra::SplitSettings>& settings);

    CSundraDoc& document_;
    Transport& transport_;
    CSplitAllSettingsPage& page_;
    WaveformStrip& strip_;
    QWidget* owner_;
    std::unique_ptr<PausePreview> pausePreview_;
    TracksQuestion askTracks_;
    int lastTrackCount_ = 2;
};
