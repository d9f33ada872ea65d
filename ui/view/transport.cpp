#include "ui/view/transport.h"

#include "core/sample_buffer.h"
#include "core/units.h"
#include "ui/document/cuts_model.h"
#include "ui/platform/command_ids.h"
#include "ui/platform/command_table.h"
#include "ui/settings/shot_play_settings_page.h"
#include "ui/view/level_meters.h"
#include "ui/view/position_bar.h"

#include <QTimer>

#include <algorithm>
#include <mutex>

namespace {

constexpr int kMeterTimerMs = 100;

} // namespace

Transport::Transport(sundra::PlaybackContext& playback, CutsModel& cuts, LevelMeters& meters,
                     CShotPlaySettingsPage& shotPage, QObject* parent)
    : QObject(parent), playback_(playback), cuts_(cuts), meters_(meters), shotPage_(shotPage) {
    meterTimer_ = new QTimer(this);
    meterTimer_->setInterval(kMeterTimerMs);
    connect(meterTimer_, &QTimer::timeout, this, &Transport::OnMeterTimer);
    meterTimer_->start();
}

Transport::~Transport() {
    meterTimer_->stop();
    if (worker_.requestStop()) {
        worker_.wait(sundra::kInfinite);
    }
}

void Transport::bindCommands(CommandTable& commands) {
    using namespace command;
    auto selected = [this] { return cuts_.selectedTrack() != -1; };
    auto idle = [this] { return worker_.wait(0); };
    auto selectedIdle = [this] { return cuts_.selectedTrack() != -1 && worker_.wait(0); };
    auto markedIdle = [this] {
        return cuts_.selectedTrack() != -1 && cuts_.markPosition() != 0 && worker_.wait(0);
    };
    commands.bind(
        kPlay, [this] { OnPlay(); }, idle);
    commands.bind(
        kStop, [this] { OnStop(); }, [this] { return !worker_.wait(0); });
    // Space: whichever of the two the worker allows.
    commands.bind(kPlayStop, [this] { worker_.wait(0) ? OnPlay() : OnStop(); });
    commands.bind(
        kMark, [this] { OnMark(); }, selected, [this] { return cuts_.markPosition() != 0; });
    commands.bind(
        kShotFromTop, [this] { OnShotPlay(sundra::ShotKind::FromTop); }, selectedIdle);
    commands.bind(
        kShotToMark, [this] { OnShotPlay(sundra::ShotKind::ToMark); }, markedIdle);
    commands.bind(
        kShotFromMark, [this] { OnShotPlay(sundra::ShotKind::FromMark); }, markedIdle);
    commands.bind(
        kShotToEnd, [this] { OnShotPlay(sundra::ShotKind::ToEnd); }, selectedIdle);

    const struct {
        int id;
        double rate;
    } rates[] = {
        {kCrick100000, 0.00001}, {kCrick10000, 0.0001}, {kCrick1000, 0.001}, {kCrick100, 0.01}};
    for (const auto& entry : rates) {
        const double rate = entry.rate;
        commands.bind(
            entry.id, [this, rate] { SetCrickRate(rate); }, {},
            [this, rate] { return crickRate_ == rate; });
    }
    commands.bind(kToggleCrickRate, [this] { OnToggleCrickRate(); });
    commands.bind(
        kPeakReset, [this] { OnPeakReset(); }, [this] { return meters_.peaksShown(); });
}

void Transport::startTask(std::unique_ptr<sundra::WorkerTask> task, Running kind) {
    currentTask_ = std::move(task);
    running_ = kind;
    worker_.start(*currentTask_);
}

void Transport::OnPlay() {
    startTask(std::make_unique<sundra::PlayTask>(playback_), Running::Play);
}

void Transport::OnStop() {
    if (worker_.requestStop()) {
        worker_.wait(sundra::kInfinite);
    }
    currentTask_.reset();
    running_ = Running::Nothing;
    std::lock_guard guard(playback_);
    playback_.range().seek(cuts_.markPosition());
    emit positionChanged();
    meters_.resetLevels();
}

void Transport::OnMark() {
    if (worker_.wait(0) && cuts_.markPosition() != 0) {
        std::lock_guard guard(playback_);
        playback_.range().seek(0);
        cuts_.setMark(0);
        meters_.resetLevels();
        return;
    }
    // During a play this is the play position. No lock: a shot play holds it
    // for its whole excerpt, and the position is read tear-free.
    cuts_.setMark(playback_.range().tell());
}

std::int32_t Transport::shotFrames() {
    const double frames = playback_.range().format().samplesPerSecond * shotPage_.shotPlaySeconds();
    // Saturated: a stored time far beyond the page's range is the whole track.
    return sundra::truncateToInt32(frames);
}

void Transport::OnShotPlay(sundra::ShotKind kind) {
    std::unique_ptr<sundra::ShotPlayTask> task;
    {
        // The task plays only while the range stays the one it is made on.
        std::lock_guard guard(playback_);
        task = std::make_unique<sundra::ShotPlayTask>(
            playback_, sundra::ShotPlayTask::excerptOf(playback_.range(), kind, shotFrames()));
    }
    startTask(std::move(task), Running::ShotPlay);
}

void Transport::SetCrickRate(double rate) {
    crickRate_ = rate;
    emit crickRateChanged(crickRate_);
}

void Transport::OnToggleCrickRate() {
    double rate = crickRate_ * 0.1;
    if (rate < 0.00001) {
        rate = 0.01;
    }
    SetCrickRate(rate);
}

void Transport::OnPeakReset() {
    meters_.resetPeaks();
}

void Transport::OnHScroll(int code, int thumb) {
    std::lock_guard guard(playback_);
    sundra::TrackSegment& range = playback_.range();
    const double ratio = sundra::positionRatio(range);
    std::int32_t mark = 0;
    switch (code) {
    case PositionBar::LineLeft:
        mark = sundra::frameAtRatio(range, ratio - crickRate_);
        break;
    case PositionBar::LineRight:
        mark = sundra::frameAtRatio(range, ratio + crickRate_);
        break;
    case PositionBar::PageLeft:
        mark = sundra::frameAtRatio(range, ratio - 0.1);
        break;
    case PositionBar::PageRight:
        mark = sundra::frameAtRatio(range, ratio + 0.1);
        break;
    case PositionBar::ThumbPosition:
    case PositionBar::ThumbTrack:
        mark = thumb * (range.length() / PositionBar::kMaximum);
        break;
    case PositionBar::LeftEnd:
        mark = 0;
        break;
    case PositionBar::RightEnd:
        mark = range.length();
        break;
    default:
        return;
    }
    settleAtMark(range, mark);
}

void Transport::MovePositionTo(std::int32_t frame) {
    std::lock_guard guard(playback_);
    sundra::TrackSegment& range = playback_.range();
    settleAtMark(range, std::clamp(frame, 0, range.length()));
}

void Transport::settleAtMark(sundra::TrackSegment& range, std::int32_t mark) {
    // An audible snippet of the new position, unless the device is full (a
    // play is filling it): the window never waits for a free buffer.
    range.seek(mark);
    sundra::SampleBuffer& buffer = playback_.buffer();
    if (playback_.device().waitUntilWritable(0) && sundra::readIntoBuffer(range, buffer) > 0) {
        sundra::writeBuffer(playback_.device(), buffer);
    }
    range.seek(mark);
    // The display follows the mark. Inside a slider action this also becomes
    // the value the bar settles on, so the bar shows the resulting position,
    // never the raw thumb value.
    cuts_.setMark(mark);
    meters_.resetLevels();
}

void Transport::OnMeterTimer() {
    if (worker_.wait(0)) {
        settleEndedTask();
        return;
    }
    // The levels the play published for its last block, read without the lock.
    meters_.show(playback_.playedLevel(0), playback_.playedLevel(1));
    // The position needs the lock, which the play takes for a block at a
    // time: a tick that cannot have it at once leaves the position to the next.
    std::unique_lock lock(playback_, std::try_to_lock);
    if (lock.owns_lock()) {
        emit positionChanged();
    }
}

void Transport::settleEndedTask() {
    const Running ended = running_;
    running_ = Running::Nothing;
    if (ended == Running::Play) {
        OnStop();
    } else if (ended == Running::ShotPlay) {
        std::lock_guard guard(playback_);
        emit positionChanged();
    }
}
