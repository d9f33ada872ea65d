#pragma once
// WaveformStrip: the waveform of the open file in the main view, drawn from the
// waveform summary while it builds on the strip's own worker thread. It shows
// each track's region (alternating tints, the selected one highlighted), the
// cuts as lines with handles, the mark and, while playing, the play position.
//
// The view owns the strip and feeds it (setSource for every new master). The
// strip observes the cuts model: it draws its rows, selection and mark, follows
// every change of them, and asks the model to move a cut the user dragged; a
// click in a track's region it reports with a signal, which the view turns
// into a selection and a move of the position. The strip owns its build task,
// its thread and a reader of its own for drawing single samples, so it never
// moves the position that playback shares.
//
// Mouse: a click selects the track under it, a drag on a cut moves it, a
// double click on a cut asks for its time, the wheel zooms around the pointer,
// Shift+wheel scrolls. Keys: Left / Right scroll, + / - zoom around the play
// position (or the mark), Home / End go to either end, 0 shows the whole file.
// Whoever shows where the view lies (the ruler, the overview, the scrollbar)
// follows viewChanged and moves the view with setView.

#include "audio/waveform_task.h"
#include "audio/worker_thread.h"
#include "core/track_edges.h"
#include "core/wave_file.h"
#include "core/waveform_summary.h"
#include "split/block_scan.h"
#include "ui/waveform/gap_overlay.h"
#include "ui/waveform/wave_lanes.h"
#include "ui/waveform/waveform_columns.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CutsModel;
class QPainter;
class QTimer;

namespace sundra {
class PlaybackContext;
}

class WaveformStrip : public QWidget {
    Q_OBJECT
public:
    // Whether playback runs, so that the play position is drawn.
    using PlayingQuery = std::function<bool()>;

    WaveformStrip(CutsModel& cuts, sundra::PlaybackContext& playback, PlayingQuery playing,
                  QWidget* parent = nullptr);
    // Stops and joins the build.
    ~WaveformStrip() override;

    // A new master: the file at path with frames frames (empty path: nothing
    // to show). Stops any build, starts a new one and shows the whole file.
    void setSource(const std::string& path, std::int32_t frames);
    // The same with the streams given: build is read from its start on the
    // strip's thread, samples serves the close-up views (either may be null).
    void setSource(std::unique_ptr<sundra::SampleReader> build,
                   std::unique_ptr<sundra::SampleReader> samples, std::int32_t frames);

    // The summary being built or built; null when there is none.
    const sundra::WaveformSummary* summary() const { return summary_.get(); }
    bool building() { return buildThread_ && !buildThread_->wait(0); }
    sundra::WorkerThread* buildThread() { return buildThread_.get(); }

    // The visible window: first frame at the left edge, frames per pixel.
    std::int64_t firstFrame() const { return firstFrame_; }
    double framesPerPixel() const { return framesPerPixel_; }
    std::int64_t totalFrames() const { return totalFrames_; }
    // Frames a second of the file shown (0 without one).
    std::int32_t sampleRate() const { return sampleRate_; }
    // Frames the width shows.
    std::int64_t visibleFrames() const;
    void showWholeFile();
    // Zooms by factor (above 1: in) keeping the frame under x where it is.
    void zoomAt(double factor, double x);
    // Zooms by factor about the position of the selected track (the play
    // position while playing, else the mark): where it shows, it stays; where
    // it does not, the view centres on it. Without a track about the middle.
    void zoomAroundPosition(double factor);
    void scrollByPixels(double pixels);
    // The view from first (clamped) at framesPerPixel (clamped: 1 at most
    // in, the whole file at most out).
    void setView(std::int64_t first, double framesPerPixel);
    // The frame of the master that the selected track's position is at, or
    // -1 without a selected track.
    std::int64_t positionFrame();
    // Pixel position of a frame and the frame at a pixel position.
    double xOfFrame(std::int64_t frame) const;
    std::int64_t frameAtX(double x) const;

    // The edge a press at x would grab, if any.
    std::optional<sundra::TrackEdge> edgeAt(double x);
    // Whether a cut is being dragged: its release moves the cut in the rows.
    bool dragging() const { return dragging_; }

    // What a detection sees, drawn over the waveform while it is set: its
    // pauses shaded, the pieces Auto Split would cut as a band along the
    // bottom, and a caption with their counts. Spans are frames of the master.
    struct PauseOverlay {
        double senseLevel = 0.0;
        std::vector<sundra::FrameSpan> pauses;
        std::vector<sundra::FrameSpan> pieces;
    };
    void setPauseOverlay(std::optional<PauseOverlay> overlay);
    const std::optional<PauseOverlay>& pauseOverlay() const { return pauseOverlay_; }

    // The gaps of a detection of the tracks, drawn while set; a new source
    // takes them off.
    void setGapOverlay(std::optional<GapOverlay> overlay);
    const std::optional<GapOverlay>& gapOverlay() const { return gapOverlay_; }

signals:
    // A click in row's region at offset frames from the row's start.
    void trackClicked(int row, std::int32_t offset);
    // A double click on a cut.
    void cutDoubleClicked(const sundra::TrackEdge& edge);
    // The visible window moved, zoomed or got a new file.
    void viewChanged();
    // More of the summary is ready.
    void summaryGrew();
    // The frame under the pointer (while dragging a cut: where the cut would
    // go); -1 when the pointer left.
    void pointerFrameChanged(qint64 frame);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void stopBuild();
    void onTimer();
    void clampWindow();
    double maxFramesPerPixel() const;
    void paintPauseOverlay(QPainter& painter);
    void paintCuts(QPainter& painter);
    int rowAtFrame(std::int64_t frame);

    CutsModel& cuts_;
    sundra::PlaybackContext& playback_;
    PlayingQuery playing_;
    std::int64_t totalFrames_ = 0;
    std::int32_t sampleRate_ = 0;
    std::int64_t firstFrame_ = 0;
    double framesPerPixel_ = 1.0;
    // Set by showWholeFile, cleared by zooming: a resize then keeps the whole file.
    bool showingWhole_ = true;

    std::shared_ptr<const sundra::WaveformSummary> summary_;
    // Declared before the thread so the thread (joined first) never outlives it.
    std::unique_ptr<sundra::WaveformTask> task_;
    std::unique_ptr<sundra::WorkerThread> buildThread_;
    // What is drawn, with the reader of the close-ups, and how.
    WaveformColumns columns_;
    WaveLanes lanes_;

    QTimer* timer_;
    // What the last tick saw, to repaint only on a change.
    std::int64_t shownReady_ = -1;
    int shownSelected_ = -2;
    std::int32_t shownMark_ = -1;
    bool shownPlaying_ = false;

    std::optional<PauseOverlay> pauseOverlay_;
    std::optional<GapOverlay> gapOverlay_;

    std::optional<sundra::TrackEdge> dragEdge_;
    std::int32_t dragFrom_ = 0;
    double pressX_ = 0;
    std::int32_t dragTo_ = 0;
    bool dragging_ = false;
};
