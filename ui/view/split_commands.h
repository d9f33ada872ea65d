#pragma once
// SplitCommands: the commands that find the tracks of the selected row and
// explain how: Auto Split and Split into Tracks (each a progress dialog whose
// pieces become rows as one undo step), the split page's "Detection...", the
// message of an Auto Split that found fewer than two pieces, and the row's
// pauses drawn on the waveform while the split page is on display (it owns
// that PausePreview).
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

    // Binds Auto Split and Split into Tracks.
    void bindCommands(CommandTable& commands);

    void OnAutoSplit();
    // Split into Tracks: asks for a count, cuts the selected row at its longest
    // pauses into that many pieces, or says how few pauses it has.
    void OnSplitIntoTracks();
    // Replaces the count question of Split into Tracks (tests); empty restores it.
    using CountQuestion = std::function<std::optional<int>(QWidget*)>;
    void setTrackCountQuestion(CountQuestion ask) { askTrackCount_ = std::move(ask); }

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
    CountQuestion askTrackCount_;
    int lastTrackCount_ = 2;
};
