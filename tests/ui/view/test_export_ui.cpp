// The export in the window: the "export" settings page, the Track Info dialog
// and its one edit, and Save All writing tagged FLAC files beside the document.

#include "tests/support/outside_tools.h"
#include "tests/support/test_files.h"
#include "tests/ui/window_test_support.h"
#include "ui/dialogs/track_info_dialog.h"
#include "ui/document/cuts_model.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/command_ids.h"
#include "ui/platform/message_box_reporter.h"
#include "ui/settings/export_settings_page.h"
#include "ui/settings/settings_pages.h"
#include "ui/settings/settings_store.h"
#include "ui/view/sundra_view.h"
#include "ui/view/track_list_ctrl.h"

#include <QComboBox>
#include <QPushButton>
#include <QSettings>
#include <QSlider>

#include <filesystem>

namespace sundra::uitest {
namespace {

using namespace command;

TEST(ExportSettingsPage, LoadsWritesAndOffersQualityOnlyToTheLossyFormats) {
    MemorySettingsStore store;
    {
        CExportSettingsPage page(store);
        EXPECT_EQ(page.title(), "export");
        EXPECT_EQ(page.exportSettings().format, ExportFormat::Wav);
        EXPECT_EQ(page.exportSettings().quality, 60);
    }
    EXPECT_EQ(store.writes(),
              (std::vector<std::string>{"export/format", "export/quality", "export/folder"}));
    EXPECT_EQ(store.readText("export", "folder", "?"), "") << "beside the recording";
    EXPECT_EQ(store.readInt("export", "format", -1), 0);

    store.writeInt("export", "format", 9);
    store.writeInt("export", "quality", 300);
    CExportSettingsPage odd(store);
    EXPECT_EQ(odd.exportSettings().format, ExportFormat::Wav) << "an unknown format reads as WAV";
    EXPECT_EQ(odd.exportSettings().quality, 100);

    store.writeInt("export", "format", 2);
    store.writeInt("export", "quality", 30);
    CExportSettingsPage page(store);
    QWidget holder;
    page.createWidget(&holder);
    page.loadControls();
    auto* box = page.widget()->findChild<QComboBox*>("formatBox");
    auto* slider = page.widget()->findChild<QSlider*>("qualitySlider");
    auto* note = page.widget()->findChild<QLabel*>("note");
    ASSERT_TRUE(box && slider && note);
    EXPECT_EQ(box->count(), 5);
    EXPECT_EQ(box->currentText(), "Ogg Vorbis");
    EXPECT_EQ(slider->value(), 30);
    EXPECT_TRUE(slider->isEnabled());
    box->setCurrentIndex(1);
    EXPECT_FALSE(slider->isEnabled()) << "FLAC is lossless";
    EXPECT_TRUE(note->text().contains("24 bits"));
    slider->setValue(75);
    page.saveControls();
    EXPECT_EQ(page.exportSettings().format, ExportFormat::Flac);
    EXPECT_EQ(page.exportSettings().quality, 75);

    // The folder: chosen, then back beside the recording.
    page.setFolderChooser([](QWidget*, const QString&) { return QStringLiteral("/music/out"); });
    page.widget()->findChild<QPushButton*>("chooseFolderButton")->click();
    page.saveControls();
    EXPECT_EQ(page.outputFolder(), "/music/out");
    page.widget()->findChild<QPushButton*>("besideButton")->click();
    page.saveControls();
    EXPECT_EQ(page.outputFolder(), "");
}

TEST(TrackInfoDialog, OffersOkOnlyForNoTitlesOrOnePerTrack) {
    const AlbumInfo current{"Live", "The Band", "1971", {"Intro", "Side/Long Song"}};
    CTrackInfoDialog dialog(current, 3, nullptr);
    QPushButton* ok = dialog.buttons()->button(QDialogButtonBox::Ok);
    EXPECT_EQ(dialog.albumEdit()->text(), "Live");
    EXPECT_EQ(dialog.titlesEdit()->toPlainText(), "Intro\nSide/Long Song");
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_EQ(dialog.countLabel()->text(),
              "The titles do not match the tracks: 2 titles for 3 tracks. Give one title per "
              "track.");

    dialog.titlesEdit()->setPlainText("Intro\r\n\n  Side/Long Song \nCoda\n");
    EXPECT_TRUE(ok->isEnabled());
    dialog.titlesEdit()->clear();
    EXPECT_TRUE(ok->isEnabled()) << "without titles the rows keep their names";
    dialog.titlesEdit()->setPlainText("a\nb\nc");
    dialog.yearEdit()->setText(" 1972 ");
    const AlbumInfo info = dialog.albumInfo();
    EXPECT_EQ(info.titles, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(info.year, "1972");
    EXPECT_EQ(info.artist, "The Band");
}

class ExportWindowTest : public WindowTest {
protected:
    ~ExportWindowTest() override {
        if (app) {
            app->shutdown();
            app.reset();
        }
        programSettings().remove(QStringLiteral("export"));
    }
    static QSettings programSettings() {
        return QSettings(QSettings::IniFormat, QSettings::UserScope,
                         QStringLiteral("TOLVAN-Production"), QStringLiteral("Sundra"));
    }
};

TEST_F(ExportWindowTest, TrackInfoNamesTheRowsAndSaveAllWritesTaggedFlac) {
    programSettings().setValue(QStringLiteral("export/format"), 1);
    const QString path = wav("album.wav", {{88200, 3000}, {66150, 0}, {88200, 3000}, {44100, 0}});
    start({path});
    CSundraView& view = app->view();
    EXPECT_EQ(view.settings().sheet().pageCount(), 4u) << "export is the fourth page";
    ASSERT_TRUE(execute(kAutoSplit));
    ASSERT_EQ(view.cuts().rowCount(), 2);
    EXPECT_TRUE(enabled(kTrackInfo));

    const AlbumInfo tooMany{"Live", "The Band", "1971", {"a", "b", "c"}};
    EXPECT_FALSE(view.cuts().applyTrackInfo(tooMany));
    EXPECT_EQ(view.cuts().name(0), "album-00");
    EXPECT_TRUE(app->document().cuts().album().empty());

    const AlbumInfo info{"Live", "The Band", "1971", {"Intro", "Side/Long Song"}};
    ASSERT_TRUE(view.cuts().applyTrackInfo(info));
    EXPECT_EQ(view.cuts().name(0), "01 Intro");
    EXPECT_EQ(view.cuts().name(1), "02 Side-Long Song");
    EXPECT_EQ(app->document().cuts().album(), info);
    // The names are one step to undo and redo.
    view.cuts().undoStack().undo();
    EXPECT_EQ(view.cuts().name(1), "album-01");
    view.cuts().undoStack().redo();
    EXPECT_EQ(view.cuts().name(1), "02 Side-Long Song");

    ASSERT_TRUE(execute(kSaveAll));
    EXPECT_EQ(messages.texts(),
              QStringList(QStringLiteral("Saved 2 tracks in %1.")
                              .arg(QString::fromStdString(folder.path().string()))));
    const std::string flac = folder.file("02 Side-Long Song.flac");
    ASSERT_TRUE(std::filesystem::exists(folder.file("01 Intro.flac")));
    ASSERT_TRUE(std::filesystem::exists(flac));
    const std::string tags = test::withCapitalNames(
        test::outputOf("metaflac --export-tags-to=- " + test::shellQuoted(flac)));
    for (const char* line : {"TITLE=Side/Long Song\n", "ARTIST=The Band\n", "ALBUM=Live\n",
                             "TRACKNUMBER=2\n", "DATE=1971\n"})
        EXPECT_NE(tags.find(line), std::string::npos) << line << " in\n" << tags;

    // Another master brings no album with it.
    ASSERT_TRUE(execute(kFileNew));
    EXPECT_TRUE(app->document().cuts().album().empty());
}

TEST_F(ExportWindowTest, SaveAllAsksBeforeReplacingAndTellsWhatItSavedWhere) {
    start({wav("album.wav", {{88200, 3000}, {66150, 0}, {88200, 3000}, {44100, 0}})});
    ASSERT_TRUE(execute(kAutoSplit));
    ASSERT_EQ(app->view().cuts().rowCount(), 2);
    const QString beside = QString::fromStdString(folder.path().string());
    const test::Bytes earlier(1000, 0x5A);
    test::writeBytes(folder.file("album-01.wav"), earlier);
    QStringList questions;
    bool replace = false;
    setQuestionAnswerForTests([&](const QString& question) {
        questions << question;
        return replace;
    });

    ASSERT_TRUE(execute(kSaveAll));
    EXPECT_EQ(
        questions,
        QStringList(QStringLiteral("album-01.wav is already in %1.\nReplace it?").arg(beside)));
    EXPECT_EQ(test::readBytes(folder.file("album-01.wav")), earlier);
    EXPECT_FALSE(std::filesystem::exists(folder.file("album-00.wav"))) << "declined: none written";
    EXPECT_TRUE(messages.texts().isEmpty());

    replace = true;
    ASSERT_TRUE(execute(kSaveAll));
    EXPECT_EQ(questions.size(), 2);
    EXPECT_NE(test::readBytes(folder.file("album-01.wav")), earlier);
    EXPECT_EQ(messages.texts(), QStringList(QStringLiteral("Saved 2 tracks in %1.").arg(beside)));

    // A folder chosen on the export page takes the tracks, and is remembered.
    const QString chosen = beside + QStringLiteral("/tracks");
    std::filesystem::create_directory(folder.file("tracks"));
    CExportSettingsPage& page = app->view().settings().exportPage();
    page.setFolderChooser([&](QWidget*, const QString&) { return chosen; });
    QWidget holder;
    page.createWidget(&holder);
    page.loadControls();
    page.widget()->findChild<QPushButton*>("chooseFolderButton")->click();
    page.saveControls();
    page.destroyWidget();
    ASSERT_TRUE(execute(kSaveAll));
    EXPECT_EQ(questions.size(), 2) << "nothing there to replace";
    EXPECT_TRUE(std::filesystem::exists(folder.file("tracks/album-00.wav")));
    EXPECT_EQ(messages.texts().last(), QStringLiteral("Saved 2 tracks in %1.").arg(chosen));
    app->shutdown();
    app.reset();
    EXPECT_EQ(programSettings().value(QStringLiteral("export/folder")).toString(), chosen);
    setQuestionAnswerForTests({});
}

TEST_F(ExportWindowTest, AFirstStartWritesTheExportDefaultsAtExit) {
    programSettings().remove(QStringLiteral("export"));
    start();
    app->shutdown();
    app.reset();
    QSettings stored = programSettings();
    EXPECT_EQ(stored.value(QStringLiteral("export/format"), -1).toInt(), 0);
    EXPECT_EQ(stored.value(QStringLiteral("export/quality"), -1).toInt(), 60);
}

} // namespace
} // namespace sundra::uitest
