#pragma once
// CSundraView: the program's one view, the form in the main window. It lays
// out the track list, the level and peak meters, the waveform strip (below
// them, behind a splitter) and the position bar, and wires them to the
// document's cuts model and to its parts:
//   - the cuts model (the document's) holds the rows, the selection and the
//     mark; the list, the strip and the position bar follow its signals, and
//     the edit commands bound here are its operations;
//   - Transport: play, stop, mark, shot plays, crick rate, meters, position bar;
//   - CutListFiles and CutListKeeper: cue sheets and labels, the kept cut list;
//   - SplitCommands: Auto Split, Split into Tracks, detection, pause preview;
//   - DialogLaunchers: Save All, Track Info, settings, Record;
//   - TimeCommands: Go To Time, Split at Time, a cut's exact time.
//
// It owns the parts, the settings pages (which write the store when the view
// goes) and its child widgets. The position and the crick rate it does not
// show itself: the frame's status bar listens to positionTimeChanged,
// pointerTimeChanged and the transport's crickRateChanged.

#include <QWidget>

#include <cstdint>
#include <memory>

class CSundraDoc;
class CommandTable;
class CutListFiles;
class CutListKeeper;
class CutsModel;
class DialogLaunchers;
class LevelMeters;
class PositionBar;
class QProgressBar;
class QSplitter;
class SettingsPages;
class SettingsStore;
class SplitCommands;
class TimeCommands;
class TrackListCtrl;
class Transport;
class WaveformPanel;
class WaveformStrip;

namespace sundra {
class PlaybackContext;
class SampleStream;
} // namespace sundra

class CSundraView : public QWidget {
    Q_OBJECT
public:
    // Builds the pages over store and binds the view's commands in commands.
    CSundraView(CSundraDoc& document, CommandTable& commands, std::unique_ptr<SettingsStore> store,
                QWidget* parent = nullptr);
    // The parts go first (the transport stops and joins its worker), then the
    // pages, which write their values to the store.
    ~CSundraView() override;

    // After New, Open or a recording: the document has started its cuts over;
    // the strip reads the new file and the peak meters start from 0.
    void OnInitialUpdate();
    // Makes row index (-1: none) the selected track and the current range;
    // fromClick says the list has highlighted the row itself.
    void SelectTrack(int index, bool fromClick);
    // The position bar and the time pane show range's position.
    void UpdatePositionDisplay(sundra::SampleStream& range);

    // The view state, which the cuts model holds.
    int selectedTrack() const;
    std::int32_t markPosition() const;

    CutsModel& cuts() { return cuts_; }
    Transport& transport() { return *transport_; }
    CutListFiles& cutListFiles() { return *files_; }
    CutListKeeper& keptCutLists() { return *keeper_; }
    SplitCommands& splitCommands() { return *split_; }
    DialogLaunchers& dialogs() { return *dialogs_; }
    TimeCommands& timeCommands() { return *time_; }
    SettingsPages& settings() { return *settings_; }

    TrackListCtrl& list() { return *list_; }
    WaveformStrip& waveform() { return *strip_; }
    WaveformPanel& waveformPanel() { return *panel_; }
    PositionBar& positionBar() { return *bar_; }
    // Parts the list (with the meters) from the waveform.
    QSplitter& splitter() { return *splitter_; }
    QProgressBar& levelMeter(int channel);
    QProgressBar& peakMeter(int channel);

signals:
    // The time pane's whole seconds of the current range's position.
    void positionTimeChanged(long long seconds);
    // The time in the file under the pointer on the waveform ("h:mm:ss.mmm"),
    // empty when the pointer is elsewhere.
    void pointerTimeChanged(const QString& text);
    // A recording became the document; path is its file.
    void recordingAdopted(const QString& path);

private:
    // Binds the edit commands (the cuts model's operations) and undo, and the
    // parts' commands.
    void bindCommands(CommandTable& commands);
    void oneTimeSetup();
    // The model's selection changed: the list, the position and the meters follow.
    void onSelectionChanged(int row);
    // Return in the list: row (-1: none) becomes the selected track and plays.
    void playRow(int row);

    CSundraDoc& document_;
    CommandTable* commands_ = nullptr;
    sundra::PlaybackContext& playback_;
    CutsModel& cuts_;
    std::unique_ptr<SettingsPages> settings_;

    int columnsReady_ = 0;
    // Set while a click selects: the list has highlighted the row itself.
    bool selectingByClick_ = false;

    TrackListCtrl* list_;
    PositionBar* bar_;
    std::unique_ptr<LevelMeters> meters_;
    WaveformPanel* panel_;
    WaveformStrip* strip_;
    QSplitter* splitter_;
    std::unique_ptr<Transport> transport_;
    std::unique_ptr<CutListKeeper> keeper_;
    std::unique_ptr<CutListFiles> files_;
    std::unique_ptr<SplitCommands> split_;
    std::unique_ptr<DialogLaunchers> dialogs_;
    std::unique_ptr<TimeCommands> time_;
};
