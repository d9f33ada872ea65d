// The window's keys: every command has keys of its own and each key runs its
// command; Space, Return and the letters stay in a name being typed; Return in
// the list plays the highlighted row and Space stops it.

#include "tests/ui/view/view_test.h"
#include "ui/app/command_keys.h"
#include "ui/app/main_frame.h"
#include "ui/platform/command_ids.h"
#include "ui/platform/command_table.h"
#include "ui/waveform/waveform_strip.h"

#include <QAction>
#include <QHash>
#include <QLineEdit>
#include <QMenuBar>
#include <QTest>

namespace sundra::uitest {
namespace {

constexpr std::int32_t kSecond = 44100;
const std::vector<test::Run> kTwoSongs{
    {2 * kSecond, 3000}, {2 * kSecond, 0}, {2 * kSecond, 3000}, {kSecond, 0}};

class CommandKeysTest : public ViewTest {
protected:
    // Shortcuts act in the active window only.
    void showActive() {
        app->frame().show();
        app->frame().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&app->frame()));
    }
    void press(QKeyCombination key) {
        QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
    }
};

TEST_F(CommandKeysTest, EveryCommandHasKeysOfItsOwnAndEachKeyRunsIt) {
    start({wav("two.wav", kTwoSongs)});
    ASSERT_TRUE(execute(command::kAutoSplit));
    showActive();
    CommandTable& table = app->commands();
    QHash<QKeyCombination, int> owners;
    QHash<int, int> runs;
    for (int id : table.ids()) {
        QAction* action = table.action(id);
        if (isMenuOnlyCommand(id))
            continue;
        EXPECT_FALSE(action->shortcuts().isEmpty())
            << "no key for " << action->text().toStdString();
        for (const QKeySequence& key : action->shortcuts()) {
            ASSERT_EQ(key.count(), 1) << key.toString().toStdString();
            EXPECT_FALSE(owners.contains(key[0]))
                << key.toString().toStdString() << " runs both "
                << table.action(owners.value(key[0]))->text().toStdString() << " and "
                << action->text().toStdString();
            owners.insert(key[0], id);
        }
        // Each key counts instead of doing its work.
        table.bind(id, [&runs, id] { ++runs[id]; });
    }
    // The keys act from the list, where the focus usually is.
    app->view().list().setFocus();
    for (auto owner = owners.cbegin(); owner != owners.cend(); ++owner) {
        runs.clear();
        press(owner.key());
        EXPECT_EQ(runs, (QHash<int, int>{{owner.value(), 1}}))
            << QKeySequence(owner.key()).toString().toStdString();
    }

    // Help > Keyboard lists them where the menus have them.
    const QList<KeyRow> rows = keyRows(*app->frame().menuBar());
    const auto listed = [&rows](const QString& command, const QString& keys) {
        return std::any_of(rows.begin(), rows.end(), [&](const KeyRow& row) {
            return row.command == command && row.keys == keys;
        });
    };
    EXPECT_TRUE(listed("Action > Play/Stop", "Space"));
    EXPECT_TRUE(listed("Action > Edit > Split", "Ctrl+I"));
    EXPECT_TRUE(listed("Action > Edit > Undo", "Ctrl+Z, Alt+Backspace"));
}

TEST_F(CommandKeysTest, ANameBeingTypedKeepsItsKeys) {
    start({wav("song.wav", {{kSecond, 3000}})});
    showActive();
    list().setFocus();
    QTest::keyClick(&list(), Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    editor->clear();
    QTest::keyClicks(editor, "Side 1 m");
    QTest::keyClick(editor, Qt::Key_Delete);
    EXPECT_EQ(editor->text(), "Side 1 m");
    QTest::keyClick(editor, Qt::Key_Return);
    // The list commits the name once the key has been handled.
    EXPECT_TRUE(waitUntil([this] { return cuts().name(0) == "Side 1 m"; }));
    EXPECT_TRUE(view().transport().idle()) << "neither Space, 1 nor Return played";
    EXPECT_EQ(cuts().markPosition(), 0) << "m set no mark";
    EXPECT_EQ(cuts().rowCount(), 1) << "Delete deleted no track";
}

TEST_F(CommandKeysTest, ReturnInTheListPlaysTheHighlightedRowAndSpaceStops) {
    start({wav("two.wav", kTwoSongs)});
    ASSERT_TRUE(execute(command::kAutoSplit));
    ASSERT_EQ(cuts().rowCount(), 2);
    showActive();
    list().setFocus();
    list().setSelectedRow(1);
    QTest::keyClick(&list(), Qt::Key_Return);
    EXPECT_EQ(cuts().selectedTrack(), 1);
    EXPECT_FALSE(view().transport().idle());
    QTest::keyClick(&list(), Qt::Key_Space);
    EXPECT_TRUE(view().transport().idle());
    QTest::keyClick(&list(), Qt::Key_Space);
    EXPECT_FALSE(view().transport().idle());
    QTest::keyClick(&list(), Qt::Key_Escape);
    EXPECT_TRUE(view().transport().idle());
}

TEST_F(CommandKeysTest, TabLeadsToTheWaveformAndThePositionBarWhoseArrowsMoveTheMark) {
    start({wav("song.wav", {{kSecond, 3000}})});
    showActive();
    list().setFocus();
    QTest::keyClick(&list(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), &view().waveform());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), &view().positionBar());
    QTest::keyClick(&view().positionBar(), Qt::Key_Right);
    EXPECT_EQ(cuts().markPosition(), kSecond / 100) << "one step of the crick rate";
    QTest::keyClick(&view().positionBar(), Qt::Key_End);
    EXPECT_EQ(cuts().markPosition(), kSecond);
    QTest::keyClick(&view().positionBar(), Qt::Key_Left);
    EXPECT_EQ(cuts().markPosition(), kSecond - kSecond / 100);
}

} // namespace
} // namespace sundra::uitest
