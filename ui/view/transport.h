#pragma once
// Transport: listening to the selected track and placing the mark. Play, Stop,
// Mark, the four shot plays, the crick rate, the peak reset, the position
// bar's scroll codes, a click's move of the position, and the meter timer.
//
// It owns the worker thread that runs the play task or one shot-play task at a
// time, and the task last handed to it; it keeps the crick rate. The mark
// lives in the cuts model (setMark), the meters are the view's; the position
// display is the view's, which follows markChanged and positionChanged. Every
// handler that touches the current range, the play buffer or the device takes
// the playback lock, except where a comment says why not.

#include "audio/playback_tasks.h"
#include "audio/worker_thread.h"
#include "core/playback_context.h"

#include <QObject>

#include <cstdint>
#include <memory>

class CShotPlaySettingsPage;
class CommandTable;
class CutsModel;
class LevelMeters;
class QTimer;

class Transport : public QObject {
    Q_OBJECT
public:
    Transport(sundra::PlaybackContext& playback, CutsModel& cuts, LevelMeters& meters,
              CShotPlaySettingsPage& shotPage, QObject* parent = nullptr);
    // Stops the meter timer, then stops and joins the worker (without the
    // playback lock, which the play task takes for every block).
    ~Transport() override;

    // Binds Play, Stop, Play/Stop, Mark, the shot plays, the crick rates and the peak reset.
    void bindCommands(CommandTable& commands);

    void OnPlay();
    void OnStop();
    void OnMark();
    void OnShotPlay(sundra::ShotKind kind);
    void SetCrickRate(double rate);
    void OnToggleCrickRate();
    void OnPeakReset();
    // The position-bar handler: a PositionBar scroll code; thumb is the thumb's
    // value for ThumbPosition and ThumbTrack.
    void OnHScroll(int code, int thumb);
    // Sets the mark and the position to frame of the current range (clamped
    // to it) and plays a snippet there, as a position-bar move does.
    void MovePositionTo(std::int32_t frame);
    // One tick of the meter timer: while the worker is busy, the meters follow
    // the block played last and the position the play; a play that has ended
    // by itself is settled as Stop settles it.
    void OnMeterTimer();

    double crickRate() const { return crickRate_; }
    bool idle() { return worker_.wait(0); }
    // Joins the worker after a stop was requested or the task ended by itself.
    sundra::WorkerThread& worker() { return worker_; }
    // Shot length in frames for the current range.
    std::int32_t shotFrames();

signals:
    // The current range's position moved while the mark stayed (Stop, a
    // meter tick); the display follows. Emitted under the playback lock.
    void positionChanged();
    void crickRateChanged(double rate);

private:
    // What the worker was last given, until the window has seen it end.
    enum class Running { Nothing, Play, ShotPlay };

    void startTask(std::unique_ptr<sundra::WorkerTask> task, Running kind);
    // The task ended without Stop: Play (nothing left to play) ends as Stop
    // ends it; after a shot play, which put the position back itself, the
    // display follows.
    void settleEndedTask();
    // Plays a snippet at mark, leaves the range there and makes it the mark;
    // the caller holds the playback lock.
    void settleAtMark(sundra::TrackSegment& range, std::int32_t mark);

    sundra::PlaybackContext& playback_;
    CutsModel& cuts_;
    LevelMeters& meters_;
    CShotPlaySettingsPage& shotPage_;
    double crickRate_ = 0.01;
    sundra::WorkerThread worker_;
    std::unique_ptr<sundra::WorkerTask> currentTask_;
    Running running_ = Running::Nothing;
    QTimer* meterTimer_;
};
