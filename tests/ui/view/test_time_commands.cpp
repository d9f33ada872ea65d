// The commands at a typed time: Go To Time sets the mark where the time lies
// (and shows it), Split at Time and a double-clicked cut's time put a cut on
// exactly the frame typed, each one step to undo; the status bar shows the
// time under the pointer.

#include "core/time_text.h"
#include "tests/ui/view/view_test.h"
#include "ui/app/main_frame.h"
#include "ui/dialogs/time_dialog.h"
#include "ui/platform/command_ids.h"
#include "ui/waveform/waveform_strip.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <optional>

namespace sundra::uitest {
namespace {

using namespace command;
constexpr std::int32_t kSecond = 44100;

class TimeCommandsTest : public ViewTest {
protected:
    WaveformStrip& strip() { return view().waveform(); }

    // Types text into the time dialog that open() shows, then chooses OK when
    // it can be chosen (else Cancel). Returns whether OK could be chosen.
    bool typeTime(const QString& text, const std::function<void()>& open) {
        bool accepted = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CTimeDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                return;
            }
            dialog->findChild<QLineEdit*>(QStringLiteral("time"))->setText(text);
            QPushButton* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
            accepted = ok->isEnabled();
            accepted ? ok->click() : dialog->reject();
        });
        open();
        return accepted;
    }
    bool typeTime(int id, const QString& text) {
        return typeTime(text, [&] { EXPECT_TRUE(execute(id)); });
    }
    void mouse(QEvent::Type type, double x) {
        const QPointF at(x, strip().height() / 2.0);
        QMouseEvent event(type, at, strip().mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease || type == QEvent::MouseMove
                              ? Qt::NoButton
                              : Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&strip(), &event);
    }
    std::int64_t frameAt(const char* time) { return frameOfMicros(*parseTimeText(time), kSecond); }
};

TEST_F(TimeCommandsTest, SplitAtTimeCutsOnTheFrameTypedAndGoToTimeSetsTheMarkThere) {
    start({wav("side.wav", {{60 * kSecond, 6000}})});
    app->frame().resize(1000, 720);
    app->frame().show();
    ASSERT_TRUE(waitUntil([this] { return !strip().building(); }));

    // 30.0104 s is 1323458.64 frames: the cut goes on the nearest frame.
    ASSERT_TRUE(typeTime(kSplitAtTime, "0:30.0104"));
    ASSERT_EQ(cuts().rowCount(), 2);
    EXPECT_EQ(span(0), (Span{0, 1323459}));
    EXPECT_EQ(span(1), (Span{1323460, 60 * kSecond}));
    ASSERT_TRUE(execute(kEditUndo));
    EXPECT_EQ(cuts().rowCount(), 1);
    ASSERT_TRUE(execute(kEditRedo));
    EXPECT_EQ(span(0).end, 1323459);

    // Zoomed in on the start, so that the strip has to show where it goes.
    strip().setView(0, 1.0);
    const struct {
        const char* typed;
        bool accepted;
        int row;             // selected afterwards
        std::int64_t frame;  // of the mark, in the file
        const char* message; // shown, if any
    } cases[] = {
        {"45.25", true, 1, frameAt("45.25"), nullptr},
        {"0:00:12.5", true, 0, 12 * kSecond + kSecond / 2, nullptr},
        {"1:00.001", false, 0, 12 * kSecond + kSecond / 2, nullptr}, // past the end
        {"12,5", false, 0, 12 * kSecond + kSecond / 2, nullptr},
        {"0:30.0104", true, 0, 12 * kSecond + kSecond / 2, "No track holds 0:00:30.010."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const qsizetype shown = messages.texts().size();
        EXPECT_EQ(typeTime(kGoToTime, c.typed), c.accepted);
        EXPECT_EQ(view().selectedTrack(), c.row);
        EXPECT_EQ(cuts().trackAt(c.row)->absoluteStart() + view().markPosition(), c.frame);
        EXPECT_EQ(position(), view().markPosition());
        EXPECT_EQ(messages.texts().mid(shown), c.message ? QStringList{c.message} : QStringList{});
        if (c.accepted) {
            const double x = strip().xOfFrame(frameAt(c.typed));
            EXPECT_TRUE(x >= 0 && x <= strip().width()) << x;
        }
    }
    EXPECT_EQ(cuts().undoStack().count(), 1);

    // A split at a track's first frame would leave an empty part.
    const qsizetype shown = messages.texts().size();
    ASSERT_TRUE(typeTime(kSplitAtTime, "0:30.010431"));
    EXPECT_EQ(cuts().rowCount(), 2);
    EXPECT_EQ(messages.texts().mid(shown),
              QStringList{"0:00:30.010 is the edge of a track: there is nothing to split off."});
}

TEST_F(TimeCommandsTest, ADoubleClickedCutTakesItsTypedTimeAsOneStepAndThePointerShowsItsTime) {
    start({wav("side.wav", {{60 * kSecond, 6000}})});
    app->frame().resize(1000, 720);
    app->frame().show();
    ASSERT_TRUE(waitUntil([this] { return !strip().building(); }));
    ASSERT_TRUE(typeTime(kSplitAtTime, "20"));
    const Span first = span(0);

    // The cut's time shown and left as it is: nothing moves.
    const double x = strip().xOfFrame(first.end);
    mouse(QEvent::MouseButtonPress, x);
    mouse(QEvent::MouseButtonRelease, x);
    EXPECT_TRUE(typeTime("0:00:20.000", [&] { mouse(QEvent::MouseButtonDblClick, x); }));
    EXPECT_EQ(span(0), first);
    EXPECT_EQ(cuts().undoStack().count(), 1);

    EXPECT_TRUE(typeTime("0:21.5", [&] { mouse(QEvent::MouseButtonDblClick, x); }));
    EXPECT_EQ(span(0).end, frameAt("21.5"));
    EXPECT_EQ(span(1).start, frameAt("21.5") + 1);
    ASSERT_TRUE(execute(kEditUndo));
    EXPECT_EQ(span(0), first);

    mouse(QEvent::MouseMove, 250);
    EXPECT_EQ(app->frame().pointerTimeText().toStdString(),
              timeText(microsOfFrame(strip().frameAtX(250), kSecond), 3));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&strip(), &leave);
    EXPECT_EQ(app->frame().pointerTimeText(), "");
}

} // namespace
} // namespace sundra::uitest
