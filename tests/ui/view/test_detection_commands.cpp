// The detection in the window: Auto Split's reason for too few pieces, the
// detection dialogs with the floor and the gaps of the record, and the split
// page's Detection... button.

#include "tests/ui/window_test_support.h"
#include "ui/dialogs/detection_dialog.h"
#include "ui/document/cuts_model.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/command_ids.h"
#include "ui/platform/command_table.h"
#include "ui/settings/settings_pages.h"
#include "ui/settings/settings_store.h"
#include "ui/view/split_commands.h"
#include "ui/view/sundra_view.h"
#include "ui/view/track_list_ctrl.h"

#include <QPushButton>
#include <QSlider>
#include <QUndoStack>

namespace sundra::uitest {
namespace {

using namespace command;
constexpr std::int32_t kSecond = 44100;
constexpr std::int16_t kTone = 10000;

class DetectionCommands : public WindowTest {
protected:
    CSundraView& view() { return app->view(); }
    TrackListCtrl& list() { return app->view().list(); }
    CutsModel& cuts() { return app->view().cuts(); }

    // 2 s sound, 3 s silence, 2 s sound, 1.5 s silence, 2 s sound, 1 s silence.
    QString threeSounds() {
        return wav("take.wav", {{2 * kSecond, kTone},
                                {3 * kSecond, 0},
                                {2 * kSecond, kTone},
                                {3 * kSecond / 2, 0},
                                {2 * kSecond, kTone},
                                {kSecond, 0}});
    }
};

TEST_F(DetectionCommands, AutoSplitNamesTheReasonForTooFewPieces) {
    // Silence only: no piece, and the row goes away as before.
    start({wav("silent.wav", {{3 * kSecond, 0}})});
    ASSERT_TRUE(execute(kAutoSplit));
    EXPECT_EQ(cuts().rowCount(), 0);
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_EQ(messages.texts()[0],
              "Auto Split found no piece: everything is quieter than the sense level.\n"
              "No sense level gives two pieces with this sense time.");
}

TEST_F(DetectionCommands, AutoSplitSuggestsTheLevelThatFindsTheHiddenPause) {
    // The 2 s between the sounds hold 2000 (0.061 of full scale): loud at the
    // default level 50, a pause from level 62 on.
    start({wav("hum.wav", {{3 * kSecond, kTone}, {2 * kSecond, 2000}, {3 * kSecond, kTone}})});
    ASSERT_TRUE(execute(kAutoSplit));
    EXPECT_EQ(cuts().rowCount(), 1);
    ASSERT_EQ(messages.texts().size(), 1);
    const QString text = messages.texts()[0];
    EXPECT_TRUE(text.startsWith("Auto Split found only one piece: no pause is as long as the "
                                "sense time.\nSuggested sense level: "))
        << text.toStdString();
    const int suggested = text.section(QStringLiteral(": "), 2).section(' ', 0, 0).toInt();
    EXPECT_GE(suggested, 62);
    EXPECT_LE(suggested, 100);
}

TEST_F(DetectionCommands, DetectionDialogsScanTheRowAndOfferTheSuggestedLevel) {
    start({threeSounds()});
    TrackSegment& row = app->document().playback().range();
    CDetectionScanDialog scan(row, SplitSettings::fromPageValues(50, 10, 10, 1), nullptr);
    EXPECT_EQ(scan.cancelButton()->text(), "ｷｬﾝｾﾙ");
    ASSERT_EQ(scan.exec(), QDialog::Accepted);
    ASSERT_TRUE(scan.report());
    EXPECT_EQ(scan.report()->pieces.size(), 3u);

    CDetectionDialog dialog(*scan.report(), nullptr);
    const QString text = dialog.text()->toPlainText();
    EXPECT_TRUE(text.contains("Pieces at this level: 3")) << text.toStdString();
    // The floor and the gaps of the detection without settings.
    EXPECT_TRUE(text.contains("Noise floor: digital silence\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("Automatic detection: ")) << text.toStdString();
    EXPECT_TRUE(text.contains("Suggested sense level: ")) << text.toStdString();
    EXPECT_TRUE(dialog.useSuggestedButton()->isEnabled());
    EXPECT_NE(dialog.findChild<LevelPlot*>(), nullptr);
    dialog.useSuggestedButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(SplitPageDetection, TheButtonPassesTheControlsAndTakesTheLevelBack) {
    MemorySettingsStore store;
    CSplitAllSettingsPage page(store);
    QWidget plain;
    page.createWidget(&plain);
    EXPECT_EQ(page.widget()->findChild<QPushButton*>("detectionButton"), nullptr);
    page.destroyWidget();

    SplitSettings passed;
    page.setDetectionOpener([&](const SplitSettings& settings, QWidget*) -> std::optional<int> {
        passed = settings;
        return 17;
    });
    QWidget holder;
    page.createWidget(&holder);
    page.loadControls();
    page.widget()->findChild<QSlider*>("senseTimeSlider")->setValue(20);
    page.widget()->findChild<QPushButton*>("detectionButton")->click();
    EXPECT_EQ(passed.senseTime, 20 * 0.1); // the slider, not yet the field
    EXPECT_EQ(passed.senseLevel, 50 * 0.001);
    EXPECT_EQ(page.widget()->findChild<QSlider*>("senseLevelSlider")->value(), 17);
    EXPECT_EQ(page.senseLevel(), 50);
    page.saveControls();
    EXPECT_EQ(page.senseLevel(), 17);
}

} // namespace
} // namespace sundra::uitest
