// The transport driven by number: the position bar, the meters, play and
// stop, mark, shot plays and the crick rate, playback following the
// selection, and a window thread that answers while a play waits for the
// device.

#include "audio/playback_tasks.h"
#include "audio/test_sound_port.h"
#include "tests/ui/view/view_test.h"
#include "ui/app/main_frame.h"
#include "ui/document/cuts_model.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/command_ids.h"
#include "ui/platform/command_table.h"
#include "ui/settings/shot_play_settings_page.h"
#include "ui/view/position_bar.h"
#include "ui/view/sundra_view.h"
#include "ui/view/track_list_ctrl.h"
#include "ui/view/transport.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QProgressBar>
#include <QScrollBar>
#include <QSettings>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <limits>
#include <mutex>
#include <thread>

namespace sundra::uitest {
namespace {

using namespace command;
constexpr std::int32_t kSecond = 44100;

TEST_F(ViewTest, PositionBarCodesMoveTheMark) {
    start({wav("song.wav", {{100000, 3000}})});
    QScrollBar& bar = view().positionBar();
    bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(view().markPosition(), 10000);
    EXPECT_EQ(position(), 10000);
    EXPECT_EQ(bar.value(), 100);
    bar.triggerAction(QAbstractSlider::SliderSingleStepAdd); // + crick rate 1/100
    EXPECT_EQ(view().markPosition(), 11000);
    bar.triggerAction(QAbstractSlider::SliderSingleStepSub);
    bar.triggerAction(QAbstractSlider::SliderPageStepSub);
    bar.triggerAction(QAbstractSlider::SliderPageStepSub); // clamped at 0
    EXPECT_EQ(view().markPosition(), 0);
    bar.triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(view().markPosition(), 100000);
    EXPECT_EQ(bar.value(), 1000);
    bar.triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(view().markPosition(), 0);
    dragThumb(333);
    EXPECT_EQ(view().markPosition(), 333 * 100);
    EXPECT_EQ(bar.value(), 333);
    EXPECT_EQ(app->frame().timeText(), "00:00:00");

    // A track shorter than 1000 frames: any thumb position is frame 0.
    ASSERT_TRUE(app->OpenDocumentFile(wav("short.wav", {{999, 3000}})));
    dragThumb(700);
    EXPECT_EQ(view().markPosition(), 0);
    EXPECT_EQ(bar.value(), 0);

    // A length that is no multiple of 1000 (steps of 150 frames): the drop
    // sets the mark from where the thumb was let go, not from where the drag
    // had already moved the bar (497, the resulting position).
    ASSERT_TRUE(app->OpenDocumentFile(wav("uneven.wav", {{150700, 3000}})));
    dragThumb(500);
    EXPECT_EQ(view().markPosition(), 500 * 150);
    EXPECT_EQ(position(), 500 * 150);
    EXPECT_EQ(bar.value(), 497);
}

TEST_F(ViewTest, TheWheelStepsLikeTheArrowsAndTheBarHasNoContextMenu) {
    start({wav("song.wav", {{100000, 3000}})});
    QScrollBar& bar = view().positionBar();
    bar.resize(300, 22);
    const QPointF at(150, 11);
    auto turn = [&](QPoint angle) {
        QWheelEvent wheel(at, bar.mapToGlobal(at), QPoint(), angle, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&bar, &wheel);
    };
    // One line step at the crick rate 1/100, by the rule of the arrows.
    auto lineSteps = [](std::int32_t mark, int lines) {
        for (; lines != 0; lines += lines > 0 ? -1 : 1) {
            const double ratio = mark / 100000.0 + (lines > 0 ? 0.01 : -0.01);
            mark = static_cast<std::int32_t>(100000.0 * std::clamp(ratio, 0.0, 1.0));
        }
        return mark;
    };
    const struct {
        QPoint angle;
        int lines; // right is positive
    } turns[] = {
        {{0, -120}, 1}, // one notch towards the user: one line right
        {{0, -240}, 2}, // two notches
        {{0, 120}, -1}, // away from the user: left
        {{0, -60}, 0},  // half a notch waits for the other half
        {{0, -60}, 1},  //
        {{-120, 0}, 1}, // a tilt to the right
        {{0, 600}, -5}, // clamped at the start
    };
    std::int32_t mark = 0;
    for (const auto& step : turns) {
        SCOPED_TRACE(testing::Message() << step.angle.x() << "," << step.angle.y());
        turn(step.angle);
        mark = lineSteps(mark, step.lines);
        EXPECT_EQ(view().markPosition(), mark);
        EXPECT_EQ(position(), mark);
        EXPECT_EQ(bar.value(), mark / 100);
    }
    EXPECT_EQ(mark, 0);

    // A context menu would offer "Scroll here", which moves the bar alone.
    bool menuShown = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            menuShown = true;
            popup->close();
        }
    });
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(250, 11),
                           bar.mapToGlobal(QPoint(250, 11)));
    QApplication::sendEvent(&bar, &menu);
    QApplication::processEvents();
    EXPECT_FALSE(menuShown);
    EXPECT_EQ(view().markPosition(), 0);
    EXPECT_EQ(bar.value(), 0);
}

TEST_F(ViewTest, MarkTogglesAndAMarkAtZeroStaysAbsent) {
    start({wav("song.wav", {{kSecond, 3000}})});
    EXPECT_TRUE(enabled(kMark));
    ASSERT_TRUE(execute(kMark)); // at position 0: no mark
    EXPECT_EQ(view().markPosition(), 0);
    EXPECT_FALSE(checked(kMark));
    EXPECT_FALSE(enabled(kShotToMark));

    // Set the position without the mark, as Save All leaves it.
    {
        std::lock_guard lock(playback());
        playback().range().seek(4410);
    }
    ASSERT_TRUE(execute(kMark));
    EXPECT_EQ(view().markPosition(), 4410);
    EXPECT_TRUE(checked(kMark));
    EXPECT_TRUE(enabled(kShotToMark));
    EXPECT_TRUE(enabled(kSplit));
    ASSERT_TRUE(execute(kMark)); // unmark: back to 0
    EXPECT_EQ(view().markPosition(), 0);
    EXPECT_EQ(position(), 0);
    EXPECT_EQ(view().positionBar().value(), 0);
    EXPECT_FALSE(checked(kMark));
}

TEST_F(ViewTest, CrickRateToggleCyclesWithCheckMarksAndStatusPane) {
    start();
    EXPECT_TRUE(checked(kCrick100));
    const struct {
        int checkedId;
        const char* pane;
    } cycle[] = {{kCrick1000, "1/1000"},
                 {kCrick10000, "1/10000"},
                 {kCrick100000, "1/100000"},
                 {kCrick100, "1/100"}};
    for (const auto& step : cycle) {
        ASSERT_TRUE(execute(kToggleCrickRate));
        for (int id : {kCrick100000, kCrick10000, kCrick1000, kCrick100}) {
            EXPECT_EQ(checked(id), id == step.checkedId) << id;
        }
        EXPECT_EQ(app->frame().crickRateText(), step.pane);
    }
    EXPECT_EQ(view().transport().crickRate(), 0.01);
    ASSERT_TRUE(execute(kCrick10000));
    EXPECT_EQ(app->frame().crickRateText(), "1/10000");
    EXPECT_TRUE(checked(kCrick10000));
    EXPECT_FALSE(checked(kCrick100));
}

TEST(ShotPlayExcerpt, BoundsAreClampedToTheTrack) {
    EmptyStream unused;
    TrackSegment dummy(unused, 0, 0);
    struct Case {
        std::int32_t length;
        std::int32_t position;
        ShotKind kind;
        std::int32_t start;
        std::int32_t end;
    };
    // A parent long enough for every case; the range is a window onto it.
    class Flat : public EmptyStream {
    public:
        std::int32_t length() const override { return 1000000; }
        void seek(std::int32_t frame) override { position_ = frame; }
        std::int32_t tell() const override { return position_; }

    private:
        std::int32_t position_ = 0;
    } parent;
    const Case cases[] = {
        {100000, 20000, ShotKind::ToMark, 0, 20000},        // mark nearer than L to the start
        {100000, 20000, ShotKind::FromMark, 20000, 64100},  // a full shot
        {30000, 0, ShotKind::ToEnd, 0, 30000},              // a track shorter than L
        {0, 0, ShotKind::FromTop, 0, 0},                    // an empty track
        {100000, 99000, ShotKind::FromMark, 99000, 100000}, // cut at the end
        {100000, 0, ShotKind::FromTop, 0, 44100},
    };
    for (const Case& c : cases) {
        TrackSegment range(parent, 1000, 1000 + c.length);
        range.seek(c.position);
        const TrackSegment excerpt = ShotPlayTask::excerptOf(range, c.kind, kSecond);
        EXPECT_EQ(excerpt.start(), c.start);
        EXPECT_EQ(excerpt.end(), c.end);
        EXPECT_EQ(&excerpt.parent(), &range);
    }
}

TEST_F(ViewTest, AShotTimeStoredFarBeyondItsRangeIsTheWholeTrack) {
    QSettings ini(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("TOLVAN-Production"),
                  QStringLiteral("Sundra"));
    ini.setValue(QStringLiteral("shotplay/time"), 2000000000);
    ini.sync();
    start({wav("song.wav", {{kSecond, 3000}})});
    EXPECT_EQ(view().transport().shotFrames(), std::numeric_limits<std::int32_t>::max());
    ASSERT_TRUE(execute(kShotToEnd));
    ASSERT_TRUE(waitForIdle());
    app->shutdown();
    app.reset();
    ini.remove(QStringLiteral("shotplay"));
}

TEST_F(ViewTest, ShotPlaysPlayTheirExcerptAndRestoreThePosition) {
    startWithCountingDevice({wav("short.wav", {{30000, 3000}})});
    ASSERT_TRUE(enabled(kShotToEnd));
    ASSERT_TRUE(execute(kShotToEnd)); // shorter than the 1 s shot: the whole track
    ASSERT_TRUE(waitForIdle());
    EXPECT_EQ(countingDevice().bytes(), 30000 * 4);
    EXPECT_EQ(position(), 0);

    dragThumb(500); // mark 15000 (bar move writes one snippet block)
    countingDevice().clear();
    ASSERT_TRUE(execute(kShotToMark));
    ASSERT_TRUE(waitForIdle());
    EXPECT_EQ(countingDevice().bytes(), 15000 * 4);
    EXPECT_EQ(position(), 15000);

    // Two shot plays in a row: the second replaces the ended first task.
    countingDevice().clear();
    ASSERT_TRUE(execute(kShotFromMark));
    ASSERT_TRUE(waitForIdle());
    ASSERT_TRUE(execute(kShotFromTop));
    ASSERT_TRUE(waitForIdle());
    EXPECT_EQ(countingDevice().bytes(), (15000 + 30000) * 4);
    EXPECT_EQ(position(), 15000);

    // From top on an empty track plays nothing.
    ASSERT_TRUE(app->OpenDocumentFile(wav("empty.wav", {})));
    countingDevice().clear();
    ASSERT_TRUE(execute(kShotFromTop));
    ASSERT_TRUE(waitForIdle());
    EXPECT_EQ(countingDevice().bytes(), 0);
}

TEST_F(ViewTest, PlayThenStopReturnsToTheMarkLevelsDropPeaksStay) {
    start({wav("song.wav", {{4 * kSecond, 16000}})});
    view().positionBar().triggerAction(QAbstractSlider::SliderPageStepAdd); // mark 17640
    const std::int32_t mark = view().markPosition();
    ASSERT_EQ(mark, 17640);
    ASSERT_TRUE(execute(kPlay));
    EXPECT_FALSE(enabled(kPlay));
    EXPECT_TRUE(enabled(kStop));
    EXPECT_FALSE(enabled(kShotFromTop));
    EXPECT_FALSE(enabled(kAutoSplit));
    EXPECT_FALSE(enabled(kSaveAll));
    EXPECT_TRUE(enabled(kMark));
    ASSERT_TRUE(waitUntil([this] { return view().levelMeter(0).value() > 0; }));
    // 16000 / 32768 of full scale.
    EXPECT_EQ(view().levelMeter(0).value(), 488);
    EXPECT_EQ(view().levelMeter(1).value(), 488);
    EXPECT_EQ(view().peakMeter(0).value(), 488);
    EXPECT_TRUE(enabled(kPeakReset));
    ASSERT_TRUE(waitUntil([&] { return position() > mark + 4410; }));

    ASSERT_TRUE(execute(kStop));
    EXPECT_TRUE(view().transport().idle());
    EXPECT_EQ(position(), mark);
    EXPECT_EQ(view().levelMeter(0).value(), 0);
    EXPECT_EQ(view().levelMeter(1).value(), 0);
    EXPECT_EQ(view().peakMeter(0).value(), 488);
    EXPECT_EQ(view().peakMeter(1).value(), 488);
    ASSERT_TRUE(execute(kPeakReset));
    EXPECT_EQ(view().peakMeter(0).value(), 0);
    EXPECT_FALSE(enabled(kPeakReset));
}

TEST_F(ViewTest, ASixtyFourBitFloatFileOpensAndPlaysWithItsOwnLevels) {
    const WaveFormat format{2, kSecond, 64, SampleEncoding::Float};
    std::vector<double> samples(static_cast<std::size_t>(4 * kSecond));
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = i % 2 == 0 ? 0.75 : 0.5;
    test::Bytes bytes(samples.size() * sizeof(double));
    std::memcpy(bytes.data(), samples.data(), bytes.size());
    test::Bytes image = test::canonicalWav(format, bytes);
    image[20] = 3; // IEEE float
    const std::string path = folder.file("double.wav");
    test::writeBytes(path, image);

    start({QString::fromStdString(path)});
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('|').toStdString();
    ASSERT_EQ(cuts().rowCount(), 1);
    EXPECT_EQ(playback().device().format(), format);
    ASSERT_TRUE(execute(kPlay));
    ASSERT_TRUE(waitUntil([this] { return view().levelMeter(1).value() > 0; }));
    EXPECT_EQ(view().levelMeter(0).value(), 750);
    EXPECT_EQ(view().levelMeter(1).value(), 500);
    ASSERT_TRUE(waitUntil([&] { return position() > 4410; }));
    ASSERT_TRUE(execute(kStop));
    EXPECT_EQ(position(), 0);

    ASSERT_TRUE(execute(kShotFromTop));
    ASSERT_TRUE(waitForIdle());
    EXPECT_EQ(position(), 0);
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(ViewTest, AOneChannelTrackShowsNothingOnTheSecondMeters) {
    const WaveFormat mono{1, 22050, 16};
    start({wav("mono.wav", {{22050, 16000}}, mono)});
    ASSERT_TRUE(execute(kPlay));
    ASSERT_TRUE(waitUntil([this] { return view().levelMeter(0).value() > 0; }));
    EXPECT_EQ(view().levelMeter(1).value(), 0);
    EXPECT_EQ(view().peakMeter(1).value(), 0);
    ASSERT_TRUE(execute(kStop));
}

TEST_F(ViewTest, ClosingDuringPlayStopsThePlayBeforeTheListGoes) {
    start({wav("song.wav", {{4 * kSecond, 16000}})});
    ASSERT_TRUE(execute(kPlay));
    ASSERT_TRUE(waitUntil([this] { return position() > 4410; }));
    // The play task takes the playback lock for every block: the view must
    // join it without holding that lock.
    app->shutdown();
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(ViewTest, MarkDuringPlaySetsThePlayPositionAndStopReturnsThere) {
    start({wav("song.wav", {{4 * kSecond, 16000}})});
    ASSERT_TRUE(execute(kPlay));
    ASSERT_TRUE(waitUntil([this] { return position() > 4410; }));
    ASSERT_TRUE(execute(kMark));
    const std::int32_t mark = view().markPosition();
    EXPECT_GT(mark, 4410);
    ASSERT_TRUE(execute(kMark)); // busy: sets again, never clears
    EXPECT_GE(view().markPosition(), mark);
    const std::int32_t last = view().markPosition();
    ASSERT_TRUE(execute(kStop));
    EXPECT_EQ(position(), last);
}

TEST_F(ViewTest, SelectingAnotherRowDuringPlaySwitchesPlaybackToIt) {
    // A silent first half and a loud second half.
    start({wav("song.wav", {{2 * kSecond, 0}, {2 * kSecond, 20000}})});
    dragThumb(500);
    ASSERT_TRUE(execute(kSplit));
    ASSERT_TRUE(execute(kPlay));
    ASSERT_TRUE(waitUntil([this] { return position() > 2205; }));
    EXPECT_EQ(view().peakMeter(0).value(), 0);

    emit list().rowClicked(1);
    EXPECT_EQ(view().selectedTrack(), 1);
    EXPECT_EQ(&playback().range(), cuts().trackAt(1));
    ASSERT_TRUE(waitUntil([this] { return view().levelMeter(0).value() > 0; }));
    EXPECT_EQ(view().levelMeter(0).value(), 610);

    // Edits during play go on with the row they select; with none left to
    // play, the play ends by itself and the window settles as after Stop.
    ASSERT_TRUE(execute(kJoint));
    EXPECT_EQ(&playback().range(), cuts().trackAt(0));
    ASSERT_TRUE(execute(kDelete));
    EXPECT_EQ(&playback().range(), &TrackSegment::empty());
    ASSERT_TRUE(waitUntil([this] { return !enabled(kStop); }));
    EXPECT_TRUE(waitUntil([this] { return view().levelMeter(0).value() == 0; }));
    EXPECT_TRUE(enabled(kPlay));
    EXPECT_EQ(cuts().rowCount(), 0);
}

TEST_F(ViewTest, TheWindowThreadAnswersWithin200MsOfSoundDuringAShotAndAPlayOfNothing) {
    // The device's buffers (1/32 s each) are played by the test's clock
    // thread: time is the sound played, not the wall.
    auto script = std::make_shared<TestSoundScript>();
    ScopedSoundPortFactory scripted{[script] { return std::make_unique<TestSoundPort>(script); }};
    start({wav("song.wav", {{4 * kSecond, 16000}})});
    QObject* window = &view();
    constexpr int kBlocksIn200Ms = 200 * PlaybackContext::kBuffersPerSecond / 1000;
    constexpr int kEvents = 12;
    const struct {
        const char* what;
        int command;
        int selected;
        int queuedFirst;       // buffers the play queues before the first event
        std::int32_t frames;   // that reach the device in all
        std::int32_t position; // afterwards
    } cases[] = {
        {"a shot play from the mark", kShotFromMark, 0, 4, kSecond, kSecond},
        {"Play with no track selected", kPlay, -1, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        view().SelectTrack(c.selected, false);
        if (c.selected != -1)
            view().transport().MovePositionTo(kSecond);
        script->completeAll();
        const std::size_t before = script->played().size();
        EXPECT_TRUE(execute(c.command));
        EXPECT_TRUE(script->waitForQueued(c.queuedFirst, std::chrono::seconds(20)));

        // Each event waits while the device plays at most 200 ms of sound: by
        // then the window thread must have processed it.
        std::mutex mutex;
        std::condition_variable answered;
        int processed = 0;
        int late = 0;
        int played = 0;
        std::atomic<bool> clockDone{false};
        std::thread clock([&] {
            for (int event = 1; event <= kEvents; ++event) {
                QMetaObject::invokeMethod(
                    window,
                    [&, event] {
                        // A tick of the meter timer, and the position shown
                        // as the paths that take the playback lock show it.
                        view().transport().OnMeterTimer();
                        {
                            std::lock_guard guard(playback());
                            view().UpdatePositionDisplay(playback().range());
                        }
                        std::lock_guard lock(mutex);
                        processed = event;
                        answered.notify_all();
                    },
                    Qt::QueuedConnection);
                std::unique_lock lock(mutex);
                for (int block = 0; block < kBlocksIn200Ms && processed < event; ++block) {
                    lock.unlock();
                    played += script->completeNext() ? 1 : 0;
                    lock.lock();
                }
                // The time-out only guards against a hang.
                if (!answered.wait_for(lock, std::chrono::seconds(20),
                                       [&] { return processed >= event; })) {
                    ++late;
                    // Play on, so that whatever holds the window up ends.
                    while (processed < event) {
                        lock.unlock();
                        script->completeAll();
                        std::this_thread::yield();
                        lock.lock();
                    }
                }
            }
            clockDone = true;
        });
        EXPECT_TRUE(waitUntil([&] { return clockDone.load(); }, 600000));
        clock.join();
        EXPECT_EQ(late, 0) << "the window held up an event while 200 ms of sound played";
        EXPECT_EQ(processed, kEvents);
        EXPECT_GE(played, c.queuedFirst);

        // The rest plays out, and the window settles as after Stop.
        EXPECT_TRUE(waitUntil([&] {
            script->completeAll();
            view().transport().OnMeterTimer();
            return !enabled(kStop);
        }));
        EXPECT_EQ(script->played().size() - before, static_cast<std::size_t>(c.frames) * 4);
        EXPECT_EQ(position(), c.position);
        EXPECT_TRUE(enabled(kPlay));
    }
    // The device waits for its queue when it closes.
    script->completeAll();
    app->shutdown();
    app.reset();
}

} // namespace
} // namespace sundra::uitest
