#pragma once
// CSundraView: the program's one view. It shows the track list, the position
// bar of the selected track and the level and peak meters, and handles the
// transport and edit commands on them (registered in the frame's command table).
//
// It owns the track list (each row owns its segment), the settings store and
// the three settings pages (written to the store when the view goes away), the
// settings sheet, the worker thread for play and shot play, and the task last
// handed to it. It uses the document's PlaybackContext: every handler that
// touches the current range, the play buffer or the device takes its lock.

#include "audio/playback_tasks.h"
#include "audio/worker_thread.h"
#include "core/playback_context.h"
#include "split/auto_split.h"
#include "split/track_tags.h"
#include "ui/settings/settings_sheet.h"

// The sheet keeps guarded pointers to these; they must be complete types here.
#include <QDialog>
#include <QTabWidget>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class CommandTable;
class CutsModel;
class CExportSettingsPage;
class CRecordSettingsPage;
class CShotPlaySettingsPage;
class CSplitAllSettingsPage;
class CSplitAllDialog;
class CSundraDoc;
class PausePreview;
class QProgressBar;
class QScrollBar;
class QTimer;
class SettingsStore;
class TrackListCtrl;
class WaveformStrip;

namespace sundra {
class SampleStream;
struct TrackEdge;
} // namespace sundra

class CSundraView : public QWidget {
    Q_OBJECT
public:
    // Position-bar codes, as the scroll notifications number them.
    enum ScrollCode {
        LineLeft = 0,
        LineRight = 1,
        PageLeft = 2,
        PageRight = 3,
        ThumbPosition = 4,
        ThumbTrack = 5,
        LeftEnd = 6,
        RightEnd = 7,
    };

    // Builds the pages over store (the view keeps it until the pages are gone)
    // and binds the view's commands in commands.
    CSundraView(CSundraDoc& document, CommandTable& commands, std::unique_ptr<SettingsStore> store,
                QWidget* parent = nullptr);
    // Stops and joins the worker, empties the list, then releases the task, the
    // worker, the sheet and the pages (shot play, record, split), which write
    // their values to the store.
    ~CSundraView() override;

    // Rebuilds the list for a new or opened document.
    void OnInitialUpdate();
    // Makes row index (-1: none) the selected track and the current range.
    void SelectTrack(int index, bool fromClick);
    void UpdatePositionDisplay(sundra::SampleStream& range);
    // The position-bar handler; thumb is the thumb's value for codes 4 and 5.
    void OnHScroll(int code, int thumb);
    // One tick of the meter timer.
    void OnMeterTimer();
    // Sets the mark and the position to frame of the current range (clamped
    // to it) and plays a snippet there, as a position-bar move does.
    void MovePositionTo(std::int32_t frame);

    // Transport.
    void OnPlay();
    void OnStop();
    void OnMark();
    void OnShotPlay(sundra::ShotKind kind);
    void SetCrickRate(double rate);
    void OnToggleCrickRate();
    void OnPeakReset();
    void OnAutoSplit();
    // Split into Tracks: asks for a count, cuts the selected row at its longest
    // pauses into that many pieces, or says how few pauses it has.
    void OnSplitIntoTracks();
    // Replaces the count question of Split into Tracks (tests); empty restores it.
    void setTrackCountQuestion(std::function<std::optional<int>(QWidget*)> ask) {
        askTrackCount_ = std::move(ask);
    }
    void OnSaveAll();
    // Track Info: the album dialog; OK is one edit of the cuts.
    void OnTrackInfo();
    // The tags Save All gives each row's file.
    std::vector<sundra::TrackTags> exportTags();
    void OnSettings();
    // Record: a new WAV file from the sound card; a recording ended with "END"
    // or by auto stop becomes the document with one track.
    void OnRecord();
    // Replaces the Save-As dialog of Record (tests); empty restores it.
    void setRecordingPathChooser(std::function<QString(QWidget*)> choose) {
        chooseRecordingPath_ = std::move(choose);
    }

    // Undo, the cut-list files and the kept cut list (sundra_view_cut_lists.cpp).
    void OnExportCueSheet();
    void OnExportLabels();
    // Replaces the rows by those of a cue sheet or a label file (one undo step).
    void OnImportCutList();
    // Keeps the rows of an edited document for its file (New, Open, exit).
    void KeepCutList();
    // After Open: offers the rows kept for this file, if any.
    void OfferKeptCutList();
    // Where the kept lists live; by default a folder in the user's data.
    void setKeptListFolder(const QString& folder) { keptListFolder_ = folder; }
    QString keptListFolder() const;
    // Replaces the file dialogs of import and export (tests): gets whether the
    // file is to be written and the suggested path; empty = cancelled.
    void setCutListPathChooser(std::function<QString(bool save, const QString& suggested)> choose) {
        chooseCutListPath_ = std::move(choose);
    }

signals:
    // A recording became the document; path is its file.
    void recordingAdopted(const QString& path);

public:
    // State, for the enable rules and for tests.
    int selectedTrack() const;
    std::int32_t markPosition() const;
    double crickRate() const { return crickRate_; }
    bool workerIdle() { return worker_.wait(0); }
    // Joins the worker after a stop was requested or the task ended by itself.
    sundra::WorkerThread& worker() { return worker_; }

    // The document's cuts, which the view shows and its commands edit.
    CutsModel& cuts() { return cuts_; }
    TrackListCtrl& list() { return *list_; }
    WaveformStrip& waveform() { return *strip_; }
    PausePreview& pausePreview() { return *pausePreview_; }
    QScrollBar& positionBar() { return *bar_; }
    QProgressBar& levelMeter(int channel) { return *levels_[channel]; }
    QProgressBar& peakMeter(int channel) { return *peaks_[channel]; }
    CSettingsSheet& settingsSheet() { return sheet_; }
    CSplitAllSettingsPage& splitPage() { return *splitPage_; }
    CRecordSettingsPage& recordPage() { return *recordPage_; }
    CShotPlaySettingsPage& shotPlayPage() { return *shotPage_; }
    CExportSettingsPage& exportPage() { return *exportPage_; }

    // Shot length in frames for the current range.
    std::int32_t shotFrames();

private:
    void bindCommands(CommandTable& commands);
    void bindEditHistoryCommands(CommandTable& commands);
    void exportCutList(bool cue);
    void oneTimeSetup();
    // The model's selection changed: the list, the position and the meters follow.
    void onSelectionChanged(int row);
    void startTask(std::unique_ptr<sundra::WorkerTask> task);
    void resetLevelMeters();
    // Plays a snippet at mark, leaves the range there and makes it the mark;
    // the caller holds the playback lock.
    void SettleAtMark(sundra::TrackSegment& range, std::int32_t mark);
    void resetPeakMeters();
    void onSliderAction(int action);
    bool saveAllAllowed();
    // The split page's "Detection..." for the selected row; the suggested level
    // when the user takes it.
    std::optional<int> OnDetection(const sundra::SplitSettings& settings, QWidget* parent);
    // After Auto Split: the reason and the suggested level of too few pieces.
    void ReportFewPieces(const CSplitAllDialog& dialog);
    // While the split page is on display: the selected row's pauses on the
    // strip at the settings its controls show; none hides them.
    void ShowPausePreview(const std::optional<sundra::SplitSettings>& settings);

    CSundraDoc& document_;
    sundra::PlaybackContext& playback_;
    CutsModel& cuts_;

    int columnsReady_ = 0;
    // Set while a click selects: the list has highlighted the row itself.
    bool selectingByClick_ = false;
    double crickRate_ = 0.01;
    // Where the thumb was last dragged to, for the drop.
    int thumbAtDrop_ = 0;

    // Declared before the pages: the pages write into it as they go.
    std::unique_ptr<SettingsStore> store_;
    std::unique_ptr<CSplitAllSettingsPage> splitPage_;
    std::unique_ptr<CRecordSettingsPage> recordPage_;
    std::unique_ptr<CShotPlaySettingsPage> shotPage_;
    std::unique_ptr<CExportSettingsPage> exportPage_;
    CSettingsSheet sheet_;
    sundra::WorkerThread worker_;
    std::unique_ptr<sundra::WorkerTask> currentTask_;
    std::function<QString(QWidget*)> chooseRecordingPath_;
    std::function<std::optional<int>(QWidget*)> askTrackCount_;
    int lastTrackCount_ = 2;
    QString keptListFolder_;
    std::function<QString(bool, const QString&)> chooseCutListPath_;

    TrackListCtrl* list_;
    WaveformStrip* strip_;
    PausePreview* pausePreview_;
    QScrollBar* bar_;
    QProgressBar* levels_[2];
    QProgressBar* peaks_[2];
    QTimer* meterTimer_;
};
