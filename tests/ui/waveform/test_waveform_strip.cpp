// The waveform strip in the main view: a click selects a track and moves the
// position there, a drag moves a cut (both tracks where they touch, one side
// where they do not) and the list follows, the wheel and the keys zoom and
// scroll, and a summary still being built never holds up the window thread.
// Around it: the ruler's labels at every zoom, the overview and the scrollbar
// that scroll it, and + that zooms about the mark.

#include "core/time_text.h"
#include "core/units.h"
#include "split/auto_split.h"
#include "tests/ui/window_test_support.h"
#include "ui/app/main_frame.h"
#include "ui/document/cuts_model.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/command_ids.h"
#include "ui/settings/settings_pages.h"
#include "ui/settings/split_all_settings_page.h"
#include "ui/view/position_bar.h"
#include "ui/view/sundra_view.h"
#include "ui/view/track_list_ctrl.h"
#include "ui/view/transport.h"
#include "ui/waveform/time_ruler.h"
#include "ui/waveform/waveform_overview.h"
#include "ui/waveform/waveform_panel.h"
#include "ui/waveform/waveform_strip.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include <cmath>
#include <filesystem>

namespace sundra::uitest {
namespace {

using namespace command;
constexpr std::int32_t kSecond = 44100;

class StripTest : public WindowTest {
protected:
    CSundraView& view() { return app->view(); }
    WaveformStrip& strip() { return app->view().waveform(); }
    TrackListCtrl& list() { return app->view().list(); }
    CutsModel& cuts() { return app->view().cuts(); }
    PlaybackContext& playback() { return app->document().playback(); }

    // Opens name (runs of frames) in a shown window with room for the strip,
    // and waits for its summary.
    void open(const std::vector<test::Run>& runs) {
        startWithCountingDevice({wav("album.wav", runs)});
        app->frame().resize(1000, 720);
        app->frame().show();
        QApplication::processEvents();
        ASSERT_TRUE(waitUntil([this] { return !strip().building(); }));
        ASSERT_TRUE(strip().summary() != nullptr && strip().summary()->complete());
    }
    // Four loud runs of three seconds with two-second pauses: Auto Split's
    // pieces (pauses left out), so neighbouring tracks do not touch.
    void openAlbumAndSplit() {
        open({{3 * kSecond, 9000},
              {2 * kSecond, 0},
              {3 * kSecond, 7000},
              {2 * kSecond, 0},
              {3 * kSecond, 12000},
              {2 * kSecond, 0},
              {3 * kSecond, 5000}});
        KernelEvent stop(false, true);
        PieceList pieces;
        splitAll(playback().range(), view().settings().splitPage().splitSettings(), stop, pieces,
                 Notifier::none());
        view().cuts().applyPieces(view().selectedTrack(), pieces);
        ASSERT_EQ(cuts().rowCount(), 4);
    }
    void mouse(QEvent::Type type, double x, Qt::MouseButtons buttons, QWidget* target = nullptr) {
        target = target != nullptr ? target : &strip();
        const QPointF at(x, target->height() / 2.0);
        QMouseEvent event(type, at, target->mapToGlobal(at), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
    void drag(double from, double to, QWidget* target = nullptr) {
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, target);
        mouse(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton, target);
        mouse(QEvent::MouseMove, to, Qt::LeftButton, target);
        mouse(QEvent::MouseButtonRelease, to, Qt::NoButton, target);
    }
    void wheel(double x, int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QPointF at(x, 10);
        QWheelEvent event(at, strip().mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&strip(), &event);
    }
    void key(int code) {
        QKeyEvent event(QEvent::KeyPress, code, Qt::NoModifier);
        QApplication::sendEvent(&strip(), &event);
    }
    std::string clockOf(std::int32_t frames) { return clock(wholeSeconds(frames, WaveFormat{})); }
};

TEST_F(StripTest, AClickInATracksRegionSelectsItAndMovesThePositionThere) {
    openAlbumAndSplit();
    view().SelectTrack(0, false);
    const TrackSegment& third = *cuts().trackAt(2);
    const double x = strip().xOfFrame(third.absoluteStart() + third.length() / 3);
    const std::int64_t frame = strip().frameAtX(x);
    countingDevice().clear();

    mouse(QEvent::MouseButtonPress, x, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, x, Qt::NoButton);
    EXPECT_EQ(view().selectedTrack(), 2);
    EXPECT_EQ(list().highlightedRow(), 2);
    EXPECT_EQ(&playback().range(), cuts().trackAt(2));
    EXPECT_EQ(view().markPosition(), frame - third.absoluteStart());
    EXPECT_GT(view().markPosition(), 0);
    EXPECT_EQ(playback().range().tell(), view().markPosition());
    EXPECT_EQ(view().positionBar().value(), positionBar(playback().range()));
    EXPECT_GT(countingDevice().bytes(), 0); // the snippet of the new position

    // A click in a pause, outside every track, changes nothing.
    const double pause = strip().xOfFrame(cuts().trackAt(2)->absoluteEnd() + kSecond);
    mouse(QEvent::MouseButtonPress, pause, Qt::LeftButton);
    EXPECT_EQ(view().selectedTrack(), 2);
    EXPECT_EQ(view().markPosition(), frame - third.absoluteStart());
}

TEST_F(StripTest, SplitCutsAnHourLongTrackAtTheFrameOfTheMarkAndNotAtTheLastFrame) {
    // An hour of 8 kHz 8-bit mono, made long without writing it (the file is
    // sparse): a thousandth of the track is 28800 frames.
    constexpr std::int32_t kHour = 3600 * 8000;
    const std::string path = folder.file("hour.wav");
    test::writeBytes(path, test::canonicalWav(WaveFormat{1, 8000, 8}, {}));
    std::filesystem::resize_file(path, 44 + kHour);
    startWithCountingDevice({QString::fromStdString(path)});
    app->frame().resize(1000, 720);
    app->frame().show();
    QApplication::processEvents();
    ASSERT_EQ(playback().master().length(), kHour);
    const struct {
        std::int32_t frame;
        bool clicked; // on the waveform, else where a cut's handle is: by the transport
        bool cuts;
    } cases[] = {
        {kHour / 3 + 7, true, true},
        {kHour - 2, false, true},
        {kHour - 1, false, false}, // the last frame: a part would be empty
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.frame);
        if (c.clicked) {
            // A frame a pixel, about the frame.
            strip().setView(c.frame - 100, 1.0);
            const double x = strip().xOfFrame(c.frame);
            ASSERT_EQ(strip().frameAtX(x), c.frame);
            mouse(QEvent::MouseButtonPress, x, Qt::LeftButton);
            mouse(QEvent::MouseButtonRelease, x, Qt::NoButton);
        } else {
            view().transport().MovePositionTo(c.frame);
        }
        ASSERT_EQ(view().markPosition(), c.frame);
        const int steps = cuts().undoStack().count();
        ASSERT_TRUE(execute(kSplit));
        if (!c.cuts) {
            EXPECT_EQ(cuts().rowCount(), 1);
            EXPECT_EQ(cuts().undoStack().count(), steps);
            EXPECT_EQ(view().markPosition(), c.frame);
            continue;
        }
        ASSERT_EQ(cuts().rowCount(), 2);
        EXPECT_EQ(cuts().trackAt(0)->absoluteEnd(), c.frame);
        EXPECT_EQ(cuts().trackAt(1)->absoluteStart(), c.frame + 1);
        EXPECT_EQ(cuts().trackAt(1)->absoluteEnd(), kHour);
        ASSERT_TRUE(execute(kEditUndo));
    }
}

TEST_F(StripTest, DraggingTheSecondCutMovesBothTracksAndTheListFollows) {
    open({{60 * kSecond, 8000}});
    // Two splits give three touching tracks, one frame apart.
    view().transport().OnHScroll(PositionBar::ThumbTrack, 300);
    ASSERT_TRUE(execute(kSplit));
    view().SelectTrack(1, false);
    view().transport().OnHScroll(PositionBar::ThumbTrack, 500);
    ASSERT_TRUE(execute(kSplit));
    ASSERT_EQ(cuts().rowCount(), 3);
    view().SelectTrack(2, false);
    const std::int32_t end = cuts().trackAt(1)->absoluteEnd();
    ASSERT_EQ(cuts().trackAt(2)->absoluteStart(), end + 1);
    const std::int32_t start1 = cuts().trackAt(1)->absoluteStart();
    const std::int32_t end2 = cuts().trackAt(2)->absoluteEnd();

    const double x = strip().xOfFrame(end);
    drag(x, x + 100);
    const auto moved = static_cast<std::int32_t>(std::llround(100 * strip().framesPerPixel()));
    ASSERT_GT(moved, 2 * kSecond);
    EXPECT_EQ(cuts().trackAt(1)->absoluteEnd(), end + moved);
    EXPECT_EQ(cuts().trackAt(2)->absoluteStart(), end + moved + 1);
    EXPECT_EQ(cuts().trackAt(1)->absoluteStart(), start1);
    EXPECT_EQ(cuts().trackAt(2)->absoluteEnd(), end2);
    EXPECT_EQ(cuts().text(1, TrackList::End), clockOf(end + moved));
    EXPECT_EQ(cuts().text(1, TrackList::Total), clockOf(end + moved - start1));
    EXPECT_EQ(cuts().text(2, TrackList::Start), clockOf(end + moved + 1));
    EXPECT_EQ(cuts().text(2, TrackList::Total), clockOf(end2 - end - moved - 1));
    // The selected track changed: it is selected again, from its new start.
    EXPECT_EQ(view().selectedTrack(), 2);
    EXPECT_EQ(&playback().range(), cuts().trackAt(2));
    EXPECT_EQ(playback().range().tell(), 0);

    // One drag is one step to undo.
    ASSERT_TRUE(execute(kEditUndo));
    EXPECT_EQ(cuts().trackAt(1)->absoluteEnd(), end);
    EXPECT_EQ(cuts().trackAt(2)->absoluteStart(), end + 1);
    EXPECT_EQ(cuts().text(1, TrackList::End), clockOf(end));
    ASSERT_TRUE(execute(kEditRedo));
    EXPECT_EQ(cuts().trackAt(1)->absoluteEnd(), end + moved);

    // Dragged far past the next cut, it stops where the track after is empty.
    drag(strip().xOfFrame(end + moved), strip().width() + 500.0);
    EXPECT_EQ(cuts().trackAt(2)->length(), 0);
    EXPECT_EQ(cuts().trackAt(1)->absoluteEnd(), end2 - 1);
}

TEST_F(StripTest, WhereTracksDoNotTouchEachSideOfTheCutHasItsOwnHandle) {
    openAlbumAndSplit();
    const TrackSegment first = *cuts().trackAt(0);
    const TrackSegment second = *cuts().trackAt(1);
    ASSERT_GT(second.absoluteStart() - first.absoluteEnd(), kSecond);

    const double endX = strip().xOfFrame(first.absoluteEnd());
    drag(endX - 1, endX + 29);
    const std::int32_t step = second.absoluteStart() - 1 - first.absoluteEnd();
    const auto moved = std::min<std::int32_t>(
        step, static_cast<std::int32_t>(std::llround(30 * strip().framesPerPixel())));
    EXPECT_EQ(cuts().trackAt(0)->absoluteEnd(), first.absoluteEnd() + moved);
    EXPECT_EQ(cuts().trackAt(1)->absoluteStart(), second.absoluteStart());

    const double startX = strip().xOfFrame(second.absoluteStart());
    drag(startX + 1, startX - 9);
    EXPECT_EQ(cuts().trackAt(1)->absoluteStart(),
              second.absoluteStart() -
                  static_cast<std::int32_t>(std::llround(10 * strip().framesPerPixel())));
    EXPECT_EQ(cuts().trackAt(0)->absoluteEnd(), first.absoluteEnd() + moved);
    EXPECT_EQ(cuts().text(1, TrackList::Start), clockOf(cuts().trackAt(1)->absoluteStart()));
}

TEST_F(StripTest, TheWheelZoomsAroundThePointerAndShiftWheelAndKeysScroll) {
    open({{40 * kSecond, 3000}});
    const double whole = strip().framesPerPixel();
    EXPECT_EQ(strip().firstFrame(), 0);
    EXPECT_NEAR(whole * strip().width(), 40.0 * kSecond, whole);

    const double x = strip().width() * 0.25;
    const std::int64_t under = strip().frameAtX(x);
    for (int i = 0; i < 4; ++i) {
        wheel(x, 120);
    }
    EXPECT_NEAR(strip().framesPerPixel(), whole / 4, 1e-6 * whole);
    EXPECT_NEAR(static_cast<double>(strip().frameAtX(x)), static_cast<double>(under),
                strip().framesPerPixel());

    const std::int64_t first = strip().firstFrame();
    wheel(x, -120, Qt::ShiftModifier);
    EXPECT_GT(strip().firstFrame(), first);
    EXPECT_NEAR(strip().framesPerPixel(), whole / 4, 1e-6 * whole);
    key(Qt::Key_Home);
    EXPECT_EQ(strip().firstFrame(), 0);
    key(Qt::Key_Right);
    EXPECT_NEAR(static_cast<double>(strip().firstFrame()), strip().width() / 8.0 * whole / 4,
                whole);
    key(Qt::Key_End);
    EXPECT_NEAR(static_cast<double>(strip().firstFrame() +
                                    std::llround(strip().width() * strip().framesPerPixel())),
                40.0 * kSecond, whole);

    // Close up it draws from the samples, down to one frame a pixel.
    for (int i = 0; i < 40; ++i) {
        wheel(x, 120);
    }
    EXPECT_EQ(strip().framesPerPixel(), 1.0);
    strip().repaint();
    key(Qt::Key_0);
    EXPECT_EQ(strip().framesPerPixel(), whole);
    EXPECT_EQ(strip().firstFrame(), 0);
}

TEST_F(StripTest, ASummaryStillBuildingDoesNotHoldUpTheWindow) {
    startWithCountingDevice({wav("long.wav", {{20 * kSecond, 4000}})});
    app->frame().resize(1000, 720);
    app->frame().show();
    const std::string path = app->document().pathName();
    std::unique_ptr<WaveFileReader> parent = openWave(path);
    ASSERT_TRUE(parent);
    auto gated = std::make_unique<GatedTrack>(*parent, 0, parent->length(), 5 * kSecond);
    GatedTrack& gate = *gated;
    strip().setSource(std::move(gated), nullptr, parent->length());
    ASSERT_TRUE(waitUntil([&] { return gate.entered(); }));

    // The build waits at its gate; the window's timers keep ticking, the
    // strip paints the part it has, and playback runs.
    int ticks = 0;
    QTimer timer;
    timer.setInterval(100);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();
    ASSERT_TRUE(execute(kPlay));
    EXPECT_TRUE(waitUntil([&] { return ticks >= 3; }));
    EXPECT_TRUE(strip().building());
    EXPECT_FALSE(strip().summary()->complete());
    EXPECT_GT(strip().summary()->readyFrames(), 0);
    strip().repaint();
    view().transport().OnMeterTimer();
    ASSERT_TRUE(execute(kStop));

    gate.open();
    ASSERT_TRUE(waitUntil([this] { return !strip().building(); }));
    EXPECT_TRUE(strip().summary()->complete());
    EXPECT_EQ(strip().summary()->readyFrames(), 20 * kSecond);
}

TEST_F(StripTest, TheRulerLabelsTheViewInWholeSecondsTenthsOrMilliseconds) {
    open({{40 * kSecond, 3000}});
    const struct {
        double seconds; // in view
        std::int64_t firstFrame;
        int decimals;
        std::int64_t minStep, maxStep; // between labels, microseconds
    } levels[] = {
        {40, 0, 0, 5'000'000, 10'000'000},
        {1, 10 * kSecond, 1, 100'000, 200'000},
        {0.02, 25 * kSecond + 1234, 3, 2'000, 5'000},
    };
    TimeRuler& ruler = view().waveformPanel().ruler();
    for (const auto& level : levels) {
        SCOPED_TRACE(level.seconds);
        strip().setView(level.firstFrame, level.seconds * kSecond / strip().width());
        const std::vector<TimeRuler::Label> labels = ruler.labels();
        ASSERT_GE(labels.size(), 4u);
        std::int64_t previous = -1;
        std::int64_t step = 0;
        for (const TimeRuler::Label& label : labels) {
            const std::string text = label.text.toStdString();
            const auto micros = parseTimeText(text);
            ASSERT_TRUE(micros.has_value()) << text;
            // Exactly as many decimals as the zoom needs, and the tick where
            // the strip draws that time.
            EXPECT_EQ(text, timeText(*micros, level.decimals));
            EXPECT_NEAR(label.x, strip().xOfFrame(frameOfMicros(*micros, kSecond)), 1.0) << text;
            if (previous >= 0) {
                step = step == 0 ? *micros - previous : step;
                EXPECT_EQ(*micros - previous, step) << text;
            }
            previous = *micros;
        }
        EXPECT_GE(step, level.minStep);
        EXPECT_LE(step, level.maxStep);
        // The first label lies within one step of the view's start.
        EXPECT_LT(*parseTimeText(labels.front().text.toStdString()) -
                      microsOfFrame(strip().firstFrame(), kSecond),
                  step);
    }
}

TEST_F(StripTest, TheOverviewAndTheScrollbarScrollTheZoomedWaveformAndPlusZoomsAboutTheMark) {
    open({{40 * kSecond, 3000}});
    WaveformPanel& panel = view().waveformPanel();
    WaveformOverview& overview = panel.overview();
    QScrollBar& bar = panel.scrollBar();
    EXPECT_FALSE(bar.isEnabled());
    const double whole = strip().framesPerPixel();
    strip().setView(0, whole / 8);
    const std::int64_t visible = strip().visibleFrames();
    EXPECT_TRUE(bar.isEnabled());
    EXPECT_EQ(bar.pageStep(), visible);
    EXPECT_EQ(bar.maximum(), 40 * kSecond - visible);

    // Dragging the frame of the span moves the view as far as the pointer went.
    const double framesPerOverviewPixel = 40.0 * kSecond / overview.width();
    const double inside = overview.spanRect().center().x();
    drag(inside, inside + 100, &overview);
    EXPECT_NEAR(static_cast<double>(strip().firstFrame()), 100 * framesPerOverviewPixel, 1.0);
    EXPECT_EQ(bar.value(), strip().firstFrame());
    EXPECT_NEAR(overview.spanRect().center().x(), inside + 100, 1.0);
    // A click elsewhere centres the view there.
    const double x = overview.width() * 0.75;
    mouse(QEvent::MouseButtonPress, x, Qt::LeftButton, &overview);
    mouse(QEvent::MouseButtonRelease, x, Qt::NoButton, &overview);
    EXPECT_NEAR(static_cast<double>(strip().firstFrame() + visible / 2), x * framesPerOverviewPixel,
                framesPerOverviewPixel);

    // The scrollbar: its value is the first frame in view, a page the view.
    bar.setValue(kSecond);
    EXPECT_EQ(strip().firstFrame(), kSecond);
    bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(strip().firstFrame(), kSecond + visible);
    bar.triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(strip().firstFrame() + visible, 40 * kSecond);

    // + zooms about the mark where it shows, and brings it to the middle
    // where it does not; 0 shows the whole file again.
    view().transport().MovePositionTo(37 * kSecond);
    const double markX = strip().xOfFrame(37 * kSecond);
    key(Qt::Key_Plus);
    EXPECT_NEAR(strip().framesPerPixel(), whole / 16, 1e-6 * whole);
    EXPECT_NEAR(strip().xOfFrame(37 * kSecond), markX, 1.0);
    bar.setValue(0);
    key(Qt::Key_Plus);
    EXPECT_NEAR(strip().xOfFrame(37 * kSecond), strip().width() / 2.0, 1.0);
    key(Qt::Key_0);
    EXPECT_FALSE(bar.isEnabled());
    EXPECT_EQ(overview.spanRect().width(), overview.width());
}

} // namespace
} // namespace sundra::uitest
