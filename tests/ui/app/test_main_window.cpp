// The window program's start-up, its document (New and Open with their failure
// cases), the status panes, the title, the recent files, the settings written at
// exit and the menu and toolbar layout.

#include "core/exception.h"
#include "core/wave_file.h"
#include "tests/ui/window_test_support.h"
#include "ui/app/main_frame.h"
#include "ui/document/cuts_model.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/command_ids.h"
#include "ui/platform/command_table.h"
#include "ui/settings/settings_store.h"
#include "ui/view/position_bar.h"
#include "ui/view/sundra_view.h"
#include "ui/view/track_list_ctrl.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QTest>
#include <QToolBar>
#include <QToolTip>

#include <filesystem>

#include <sys/stat.h>

namespace sundra::uitest {
namespace {

constexpr std::int32_t kSecond = 44100;

// The file behind the master of a new document.
std::string temporaryFileOf(CSundraApp& app) {
    auto* writer = dynamic_cast<WaveFileWriter*>(&app.document().playback().master());
    return writer != nullptr && writer->source() != nullptr ? writer->source()->file().path()
                                                            : std::string();
}

using MainWindowTest = WindowTest;

TEST_F(MainWindowTest, StartWithoutArgumentIsANewEmptyDocument) {
    start();
    EXPECT_EQ(app->view().cuts().rowCount(), 0);
    EXPECT_EQ(app->view().selectedTrack(), -1);
    EXPECT_EQ(app->frame().timeText(), "00:00:00");
    EXPECT_EQ(app->frame().crickRateText(), "1/100     ");
    EXPECT_EQ(app->frame().windowTitle(), "Untitled - Sundra Ver1.02");
    EXPECT_EQ(app->document().playback().master().length(), 0);
    EXPECT_EQ(app->document().playback().master().format(), WaveFormat{});

    // New writes a 44-byte file that lasts until the next Open, New or exit.
    const std::string first = temporaryFileOf(*app);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(std::filesystem::file_size(first), 44u);
    ASSERT_TRUE(execute(command::kFileNew));
    const std::string second = temporaryFileOf(*app);
    EXPECT_FALSE(std::filesystem::exists(first));
    EXPECT_EQ(std::filesystem::file_size(second), 44u);
    ASSERT_TRUE(app->OpenDocumentFile(wav("song.wav", {{kSecond, 1000}})));
    EXPECT_FALSE(std::filesystem::exists(second));

    ASSERT_TRUE(execute(command::kFileNew));
    const std::string third = temporaryFileOf(*app);
    EXPECT_TRUE(std::filesystem::exists(third));
    EXPECT_EQ(app->view().cuts().rowCount(), 0);
    EXPECT_EQ(app->frame().windowTitle(), "Untitled - Sundra Ver1.02");
    app->shutdown();
    EXPECT_FALSE(std::filesystem::exists(third));
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(MainWindowTest, StartWithAPathOpensItAsOneSelectedTrack) {
    const QString path = wav("live take.wav", {{3 * kSecond, 8000}, {kSecond / 2, 0}});
    start({path});
    CSundraView& view = app->view();
    ASSERT_EQ(view.cuts().rowCount(), 1);
    EXPECT_EQ(view.cuts().name(0), "live take");
    EXPECT_EQ(view.cuts().text(0, 1), "00:00:00");
    EXPECT_EQ(view.cuts().text(0, 2), "00:00:03");
    EXPECT_EQ(view.cuts().text(0, 3), "00:00:03");
    EXPECT_EQ(view.selectedTrack(), 0);
    EXPECT_EQ(view.list().highlightedRow(), 0);
    EXPECT_EQ(view.markPosition(), 0);
    EXPECT_EQ(view.positionBar().value(), 0);
    EXPECT_EQ(view.peakMeter(0).value(), 0);
    EXPECT_EQ(view.peakMeter(1).value(), 0);
    EXPECT_EQ(&app->document().playback().range(), view.cuts().trackAt(0));
    EXPECT_EQ(app->document().playback().range().length(), 3 * kSecond + kSecond / 2);
    EXPECT_EQ(app->frame().windowTitle(), "live take.wav - Sundra Ver1.02");
    ASSERT_FALSE(app->recentFiles().entries().isEmpty());
    EXPECT_EQ(app->recentFiles().entries().first(), path);
    // The opened file stays open for reading with others denied write.
    EXPECT_THROW(File(path.toStdString(), File::Access::ReadWrite, File::Share::Exclusive,
                      File::Disposition::OpenExisting),
                 FileError);
}

TEST_F(MainWindowTest, AFileThatCannotBeOpenedKeepsThePreviousMaster) {
    start({wav("good.wav", {{kSecond, 5000}})});
    PlaybackContext& playback = app->document().playback();
    SampleReaderWriter* master = &playback.master();
    const std::string path = app->document().pathName();

    // A RIFF file whose first chunk after "WAVE" is not "fmt ".
    test::Bytes bad;
    test::putTag(bad, "RIFF");
    test::put32(bad, 28);
    test::putTag(bad, "WAVE");
    test::putTag(bad, "data");
    test::put32(bad, 16);
    bad.resize(bad.size() + 16, 0);
    const std::string badPath = folder.file("bad.wav");
    test::writeBytes(badPath, bad);

    EXPECT_FALSE(app->OpenDocumentFile(QString::fromStdString(badPath)));
    EXPECT_FALSE(app->OpenDocumentFile(QString::fromStdString(folder.file("missing.wav"))));
    // A pipe is refused before it is opened (which would wait for a writer).
    const std::string pipe = folder.file("pipe.wav");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(app->OpenDocumentFile(QString::fromStdString(pipe)));
    // Each with the reason on a line of its own.
    ASSERT_EQ(messages.texts(),
              QStringList({"file can not opened\nThe file has no format chunk before its samples.",
                           QString::fromStdString("file can not opened\n" +
                                                  folder.file("missing.wav") + " was not found."),
                           QString::fromStdString("file can not opened\nAccess to " + pipe +
                                                  " was denied.")}));
    EXPECT_EQ(&playback.master(), master);
    EXPECT_EQ(app->document().pathName(), path);
    EXPECT_EQ(app->view().cuts().rowCount(), 1);
    EXPECT_EQ(app->view().selectedTrack(), 0);
    // No handle stays open: the refused file can be written and removed.
    File writable(badPath, File::Access::ReadWrite, File::Share::Exclusive,
                  File::Disposition::OpenExisting);
}

TEST_F(MainWindowTest, AFileHeldForWritingElsewhereCannotBeOpened) {
    start();
    const QString path = wav("busy.wav", {{kSecond, 5000}});
    File holder(path.toStdString(), File::Access::ReadWrite, File::Share::Exclusive,
                File::Disposition::OpenExisting);
    EXPECT_FALSE(app->OpenDocumentFile(path));
    EXPECT_EQ(messages.texts(),
              QStringList({"file can not opened\nA sharing violation occurred while accessing " +
                           path + "."}));
    EXPECT_TRUE(app->document().pathName().empty());
}

TEST_F(MainWindowTest, AStartWithAFileThatCannotBeOpenedFails) {
    CSundraApp::Options options;
    app = std::make_unique<CSundraApp>(std::move(options));
    EXPECT_EQ(app->initInstance({QString::fromStdString(folder.file("none.wav"))}, false),
              CSundraApp::StartResult::Failed);
    EXPECT_EQ(messages.texts(),
              QStringList({QString::fromStdString("file can not opened\n" +
                                                  folder.file("none.wav") + " was not found.")}));
}

TEST_F(MainWindowTest, SameFormatKeepsDeviceAndBufferAnotherFormatReplacesBoth) {
    bool refuseMono = false;
    int devicesOpened = 0;
    startWith(
        [&](const WaveFormat& format) -> std::unique_ptr<SampleWriter> {
            if (refuseMono && format.channels == 1) {
                throw Exception("Can't open waveout port");
            }
            ++devicesOpened;
            return std::make_unique<CountingDevice>(format);
        },
        {wav("a.wav", {{kSecond, 5000}})});
    PlaybackContext& playback = app->document().playback();
    SampleWriter* device = &playback.device();
    SampleBuffer* buffer = &playback.buffer();

    ASSERT_TRUE(app->OpenDocumentFile(wav("b.wav", {{2 * kSecond, 6000}})));
    EXPECT_EQ(&playback.device(), device);
    EXPECT_EQ(&playback.buffer(), buffer);
    EXPECT_EQ(devicesOpened, 1);

    const WaveFormat mono{1, 22050, 16};
    const QString monoPath = wav("mono.wav", {{22050, 7000}}, mono);
    refuseMono = true;
    EXPECT_FALSE(app->OpenDocumentFile(monoPath));
    EXPECT_EQ(messages.texts(), QStringList({"Can't open waveout port"}));
    EXPECT_EQ(&playback.device(), device);
    EXPECT_EQ(playback.master().length(), 2 * kSecond);
    EXPECT_EQ(app->view().cuts().name(0), "b");
    {
        // The refused file was closed again.
        File writable(monoPath.toStdString(), File::Access::ReadWrite, File::Share::Exclusive,
                      File::Disposition::OpenExisting);
    }

    refuseMono = false;
    ASSERT_TRUE(app->OpenDocumentFile(monoPath));
    EXPECT_EQ(devicesOpened, 2);
    EXPECT_EQ(playback.device().format(), mono);
    EXPECT_EQ(playback.buffer().format, mono);
    EXPECT_EQ(playback.buffer().capacity, 1378);
    EXPECT_EQ(app->view().cuts().name(0), "mono");
}

TEST_F(MainWindowTest, AFirstStartWritesEveryDefaultSettingAtExit) {
    const QString iniPath = QString::fromStdString(QtSettingsStore().fileName());
    QFile::remove(iniPath);
    start();
    app->shutdown();
    app.reset();

    QSettings stored(iniPath, QSettings::IniFormat);
    expectDefaultSettings(stored);
}

TEST_F(MainWindowTest, TheWindowComesBackWithItsSizePlaceAndSplit) {
    QSettings stored(QString::fromStdString(QtSettingsStore().fileName()), QSettings::IniFormat);
    stored.remove(QStringLiteral("window"));
    stored.sync();
    const auto showFrame = [this] {
        app->frame().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&app->frame()));
    };
    start();
    showFrame();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_NE(app->frame().size(), QSize(640, 480));
    EXPECT_TRUE(screen.contains(app->frame().frameGeometry()) ||
                app->frame().size() == app->frame().minimumSizeHint())
        << "a first start fits the screen where it can";

    // Taller than at first, and the list given more of it than the waveform.
    const QSize least = app->frame().minimumSizeHint();
    const QRect placed(screen.topLeft() + QPoint(40, 40),
                       QSize(least.width() + 20, screen.height() - 100));
    app->frame().setGeometry(placed);
    QSplitter& split = app->view().splitter();
    const int waveform = split.sizes()[1];
    split.setSizes({split.sizes()[0] + waveform - 100, 100});
    const QList<int> sizes = split.sizes();
    ASSERT_NE(sizes[1], waveform);
    app->shutdown();
    app.reset();

    start();
    showFrame();
    EXPECT_EQ(app->frame().geometry(), placed);
    EXPECT_EQ(app->view().splitter().sizes(), sizes);
    app->shutdown();
    stored.sync();
    stored.remove(QStringLiteral("window"));
}

TEST_F(MainWindowTest, RecentFilesKeepTheLastFourNewestFirstAndSurviveARestart) {
    start();
    QStringList opened;
    for (int i = 0; i < 5; ++i) {
        opened.prepend(wav("f" + std::to_string(i) + ".wav", {{1000, 100}}));
        ASSERT_TRUE(app->OpenDocumentFile(opened.first()));
    }
    ASSERT_TRUE(app->OpenDocumentFile(opened[2]));
    const QStringList expected = {opened[2], opened[0], opened[1], opened[3]};
    EXPECT_EQ(app->recentFiles().entries(), expected);
    QAction* firstEntry = app->commands().action(command::kRecentFileFirst);
    EXPECT_TRUE(firstEntry->text().endsWith(opened[2]));
    EXPECT_EQ(firstEntry->statusTip(), "Open this document");
    app->shutdown();

    start();
    EXPECT_EQ(app->recentFiles().entries(), expected);
    // The second entry opens its file; one that is gone leaves the list.
    ASSERT_TRUE(execute(command::kRecentFileFirst + 1));
    EXPECT_EQ(app->document().pathName(), opened[0].toStdString());
    QFile::remove(opened[3]);
    EXPECT_TRUE(execute(command::kRecentFileFirst + 3));
    EXPECT_EQ(messages.texts(),
              QStringList({"file can not opened\n" + opened[3] + " was not found."}));
    EXPECT_EQ(app->recentFiles().entries().size(), 3);
    EXPECT_FALSE(app->recentFiles().entries().contains(opened[3]));
}

TEST_F(MainWindowTest, StatusPanesShowTimeAndCrickRate) {
    start();
    CMainFrame& frame = app->frame();
    frame.SetTimeText(86400 + 3600 + 60 + 1);
    EXPECT_EQ(frame.timeText(), "01:01:01");
    frame.SetCrickRateText(0.0001);
    EXPECT_EQ(frame.crickRateText(), "1/10000");
    frame.SetCrickRateText(0.5);
    EXPECT_EQ(frame.crickRateText(), "1/10000");
    frame.SetCrickRateText(0.00001);
    EXPECT_EQ(frame.crickRateText(), "1/100000");
}

TEST_F(MainWindowTest, MenusToolbarAndPromptsFollowTheCommandTable) {
    start();
    CommandTable& table = app->commands();
    QStringList menus;
    for (QAction* menu : app->frame().menuBar()->actions()) {
        menus << menu->text();
    }
    EXPECT_EQ(menus, QStringList({"&File", "&Action", "&View", "&Help"}));

    QStringList toolbar;
    for (QAction* action : app->frame().toolBar().actions()) {
        toolbar << (action->isSeparator() ? QStringLiteral("|")
                                          : QString::number(action->data().toInt()));
    }
    EXPECT_EQ(toolbar.join(' '),
              "57600 57601 32789 | 32771 32772 32778 | 32792 32813 32808 32814 32809 | 32775 "
              "32776 32794 32795 32777 | 32774 32796 32806 | 32783 32835 32816 57664");

    // The same action in menu and toolbar; prompt split into status text and tip.
    QAction* split = table.action(command::kSplit);
    EXPECT_EQ(split->statusTip(), "Split sound at marked point");
    EXPECT_EQ(split->toolTip(), "Split");
    EXPECT_EQ(table.action(command::kSaveAll)->statusTip(), "Save all tracks");
    EXPECT_EQ(table.action(command::kSaveAll)->toolTip(), "Save all");
    // The toolbar shows a prompt's tooltip part, and a prompt without one
    // shows no tooltip at all (not the button's text).
    auto toolTipOf = [&](int id) {
        QWidget* button = app->frame().toolBar().widgetForAction(table.action(id));
        QToolTip::hideText();
        EXPECT_TRUE(waitUntil([] { return !QToolTip::isVisible(); }));
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), button->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(button, &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(toolTipOf(command::kSplit), "Split");
    EXPECT_EQ(toolTipOf(command::kToggleCrickRate), "");
    table.refresh();
    ASSERT_TRUE(execute(command::kToggleCrickRate));
    EXPECT_EQ(toolTipOf(command::kToggleCrickRate), "");
    QToolTip::hideText();
    EXPECT_EQ(table.action(command::kFileNew)->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
    EXPECT_EQ(table.action(command::kFileOpen)->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));

    // Without a document path and a selection the edits are disabled; the
    // always-available commands are not.
    for (int id : {command::kSplit, command::kJoint, command::kDelete, command::kExpandLeft,
                   command::kExpandRight, command::kReset, command::kRename, command::kMark,
                   command::kShotFromTop, command::kAutoSplit, command::kSaveAll, command::kStop,
                   command::kPeakReset, command::kEditCopy, command::kFileSave}) {
        EXPECT_FALSE(enabled(id)) << id;
    }
    for (int id : {command::kFileNew, command::kFileOpen, command::kPlay, command::kSettings,
                   command::kToggleCrickRate, command::kCrick1000, command::kAbout}) {
        EXPECT_TRUE(enabled(id)) << id;
    }
    // The toolbar toggle hides and shows the toolbar, with its check mark.
    EXPECT_TRUE(checked(command::kViewToolbar));
    ASSERT_TRUE(execute(command::kViewToolbar));
    EXPECT_TRUE(app->frame().toolBar().isHidden());
    EXPECT_FALSE(checked(command::kViewToolbar));
}

} // namespace
} // namespace sundra::uitest
