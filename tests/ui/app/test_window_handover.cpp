// Auto Split and Save All from the view, files dropped on the window, the
// hand-over of a path from a second start, and the About box.

#include "core/wave_file.h"
#include "tests/ui/window_test_support.h"
#include "ui/app/main_frame.h"
#include "ui/dialogs/about_box.h"
#include "ui/dialogs/hyperlink_static.h"
#include "ui/document/cuts_model.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/command_ids.h"
#include "ui/platform/command_table.h"
#include "ui/view/position_bar.h"
#include "ui/view/sundra_view.h"
#include "ui/view/track_list_ctrl.h"
#include "ui/view/transport.h"

#include <QApplication>
#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QUuid>

#include <filesystem>
#include <functional>
#include <utility>

namespace sundra::uitest {
namespace {

using namespace command;
constexpr std::int32_t kSecond = 44100;
constexpr std::int16_t kTone = 10000;

using WindowCommandTest = WindowTest;

TEST_F(WindowCommandTest, AutoSplitReplacesTheRowByItsPiecesWithMasterTimes) {
    // Three songs with pauses of two seconds (more than the default sense time).
    start({wav("album.wav", {{3 * kSecond, kTone},
                             {2 * kSecond, 0},
                             {4 * kSecond, kTone},
                             {2 * kSecond, 0},
                             {5 * kSecond, kTone},
                             {2 * kSecond, 0}})});
    CSundraView& view = app->view();
    // Cut the first three seconds off as a row of its own, then split the rest.
    view.cuts().applyCutList({{"album", 0, 3 * kSecond - 1},
                              {"rest", 3 * kSecond, 18 * kSecond},
                              {"tail", 18 * kSecond, 18 * kSecond}},
                             QStringLiteral("Import"));
    view.SelectTrack(1, false);
    ASSERT_TRUE(enabled(kAutoSplit));
    ASSERT_TRUE(execute(kAutoSplit));
    ASSERT_EQ(view.cuts().rowCount(), 4);
    EXPECT_EQ(view.cuts().name(0), "album");
    EXPECT_EQ(view.cuts().name(1), "rest-00");
    EXPECT_EQ(view.cuts().name(2), "rest-01");
    EXPECT_EQ(view.cuts().name(3), "tail");
    // Master times: the second song starts five seconds into the master.
    EXPECT_EQ(view.cuts().text(1, 1), "00:00:05");
    EXPECT_EQ(view.cuts().text(2, 1), "00:00:11");
    EXPECT_EQ(view.cuts().trackAt(1)->absoluteStart(), 5 * kSecond);
    EXPECT_EQ(&view.cuts().trackAt(1)->parent(), &app->document().playback().master());
    EXPECT_EQ(view.selectedTrack(), 1);
    EXPECT_EQ(&app->document().playback().range(), view.cuts().trackAt(1));
    EXPECT_EQ(app->document().playback().range().tell(), 0);

    // A split that finds nothing removes the row; the last row leaves no
    // selection behind.
    view.SelectTrack(3, false);
    ASSERT_TRUE(execute(kAutoSplit));
    EXPECT_EQ(view.cuts().rowCount(), 3);
    EXPECT_EQ(view.selectedTrack(), -1);
    EXPECT_FALSE(enabled(kAutoSplit));
}

TEST_F(WindowCommandTest, SplittingTheThirdOfFiveRowsIntoThreePiecesLeavesSevenRows) {
    // The third row runs from 60 s to 90 s: 10 s of silence, then three songs of
    // 5 s with pauses of 2 s, then 1 s of silence.
    start({wav("live.wav", {{60 * kSecond, kTone},
                            {10 * kSecond, 0},
                            {5 * kSecond, kTone},
                            {2 * kSecond, 0},
                            {5 * kSecond, kTone},
                            {2 * kSecond, 0},
                            {5 * kSecond, kTone},
                            {1 * kSecond, 0},
                            {10 * kSecond, kTone}})});
    CSundraView& view = app->view();
    const std::vector<std::pair<std::string, std::int32_t>> rows{{"a", 0},  {"b", 20}, {"song", 60},
                                                                 {"d", 90}, {"e", 95}, {"", 100}};
    CutList cuts;
    for (int i = 0; i < 5; ++i) {
        cuts.push_back({rows[i].first, rows[i].second * kSecond, rows[i + 1].second * kSecond});
    }
    view.cuts().applyCutList(cuts, QStringLiteral("Import"));
    view.SelectTrack(2, false);

    // Auto Split waits while something plays.
    ASSERT_TRUE(execute(kPlay));
    EXPECT_FALSE(enabled(kAutoSplit));
    ASSERT_TRUE(execute(kStop));
    ASSERT_TRUE(enabled(kAutoSplit));

    ASSERT_TRUE(execute(kAutoSplit));
    ASSERT_EQ(view.cuts().rowCount(), 7);
    const std::vector<std::string> names{"a", "b", "song-00", "song-01", "song-02", "d", "e"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(view.cuts().name(i), names[i]) << "row " << i;
    // A piece 10 s into the row that starts at 60 s starts at 00:01:10.
    EXPECT_EQ(view.cuts().text(2, 1), "00:01:10");
    EXPECT_EQ(view.cuts().text(2, 2), "00:01:15");
    EXPECT_EQ(view.cuts().trackAt(3)->absoluteStart(), 77 * kSecond);
    EXPECT_EQ(view.cuts().trackAt(4)->absoluteEnd(), 89 * kSecond);
    EXPECT_EQ(view.cuts().trackAt(5)->absoluteStart(), 90 * kSecond);
    EXPECT_EQ(view.selectedTrack(), 2);
    EXPECT_EQ(&app->document().playback().range(), view.cuts().trackAt(2));
    EXPECT_EQ(app->document().playback().range().tell(), 0);
}

TEST_F(WindowCommandTest, SaveAllWritesEveryRowBesideTheDocument) {
    start({wav("take.wav", {{2 * kSecond, kTone}, {kSecond, 0}, {kSecond, kTone}})});
    CSundraView& view = app->view();
    view.transport().OnHScroll(PositionBar::PageRight, 0);
    view.transport().OnHScroll(PositionBar::PageRight, 0);
    view.transport().OnHScroll(PositionBar::PageRight, 0); // mark at 0.3 of 4 s
    ASSERT_TRUE(execute(kSplit));
    ASSERT_TRUE(execute(kRename));
    ASSERT_TRUE(enabled(kSaveAll));
    ASSERT_TRUE(execute(kSaveAll));
    const std::string first = folder.file("take-00.wav");
    const std::string second = folder.file("take-01.wav");
    ASSERT_TRUE(std::filesystem::exists(first));
    ASSERT_TRUE(std::filesystem::exists(second));
    const std::int32_t split = static_cast<std::int32_t>(4 * kSecond * 0.3);
    EXPECT_EQ(std::filesystem::file_size(first), 44u + 4u * split);
    EXPECT_EQ(std::filesystem::file_size(second), 44u + 4u * (4 * kSecond - split - 1));
    EXPECT_EQ(messages.texts(),
              QStringList(QStringLiteral("Saved 2 tracks in %1.")
                              .arg(QString::fromStdString(folder.path().string()))));
}

TEST_F(WindowCommandTest, DroppedFilesOpenLikeFileOpen) {
    start();
    const QString path = wav("dropped.wav", {{kSecond, kTone}});
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    // A drag enters first; the drop follows where it was accepted.
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&app->frame(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&app->frame(), &drop);
    EXPECT_EQ(app->document().pathName(), path.toStdString());
    ASSERT_EQ(app->view().cuts().rowCount(), 1);
    EXPECT_EQ(app->view().cuts().name(0), "dropped");
}

TEST_F(WindowCommandTest, ASecondStartWithAPathHandsItToTheRunningProgram) {
    const QString server =
        QStringLiteral("sundra-test-") + QUuid::createUuid().toString(QUuid::Id128);
    CSundraApp::Options options;
    options.instanceServerName = server;
    app = std::make_unique<CSundraApp>(options);
    ASSERT_EQ(app->initInstance({}, false), CSundraApp::StartResult::Started);

    const QString path = wav("handed.wav", {{kSecond, kTone}});
    CSundraApp second(options);
    EXPECT_EQ(second.initInstance({path}, false), CSundraApp::StartResult::HandedOver);
    ASSERT_TRUE(waitUntil([&] { return !app->document().pathName().empty(); }));
    EXPECT_EQ(app->document().pathName(), path.toStdString());
    EXPECT_EQ(app->view().cuts().name(0), "handed");

    // Without a running program the path is opened by the new start itself.
    app->shutdown();
    CSundraApp third(options);
    EXPECT_EQ(third.initInstance({path}, false), CSundraApp::StartResult::Started);
    EXPECT_EQ(third.document().pathName(), path.toStdString());
    third.shutdown();
}

TEST_F(WindowCommandTest, AHandOverDuringAWorkerDialogOpensOnlyOnceTheCommandHasEnded) {
    const QString server =
        QStringLiteral("sundra-test-") + QUuid::createUuid().toString(QUuid::Id128);
    CSundraApp::Options options;
    options.instanceServerName = server;
    const QString album = wav("album.wav", {{3 * kSecond, kTone},
                                            {2 * kSecond, 0},
                                            {4 * kSecond, kTone},
                                            {2 * kSecond, 0},
                                            {5 * kSecond, kTone}});
    const QString handed = wav("handed.wav", {{kSecond, kTone}});
    app = std::make_unique<CSundraApp>(options);
    ASSERT_EQ(app->initInstance({album}, false), CSundraApp::StartResult::Started);
    CSundraView& view = app->view();
    PlaybackContext& playback = app->document().playback();

    // Auto Split scans a stand-in for the selected row that holds its worker
    // inside the master until the hand-over has arrived.
    GatedTrack source(playback.master(), 0, playback.master().length(), 4 * kSecond);
    playback.setRange(source);
    bool waitedDuringDialog = false;
    QTimer::singleShot(0, [&] {
        CSundraApp second(options);
        EXPECT_EQ(second.initInstance({handed}, false), CSundraApp::StartResult::HandedOver);
        waitUntil([&] { return source.entered(); });
        waitUntil([&] {
            return app->pendingHandOvers() > 0 || app->document().pathName() != album.toStdString();
        });
        waitedDuringDialog = QApplication::activeModalWidget() != nullptr &&
                             app->document().pathName() == album.toStdString() &&
                             app->pendingHandOvers() == 1;
        source.open();
    });
    ASSERT_TRUE(execute(kAutoSplit));
    EXPECT_TRUE(waitedDuringDialog);
    // The pieces reached the rows of the master they were cut from.
    EXPECT_EQ(app->document().pathName(), album.toStdString());
    ASSERT_EQ(view.cuts().rowCount(), 3);
    EXPECT_EQ(view.cuts().name(2), "album-02");
    EXPECT_EQ(view.cuts().trackAt(2)->absoluteStart(), 11 * kSecond);
    EXPECT_EQ(&view.cuts().trackAt(2)->parent(), &playback.master());

    // Then the handed file opens.
    ASSERT_TRUE(waitUntil([&] { return app->document().pathName() == handed.toStdString(); }));
    EXPECT_EQ(app->pendingHandOvers(), 0);
    ASSERT_EQ(view.cuts().rowCount(), 1);
    EXPECT_EQ(view.cuts().name(0), "handed");

    // A message box (or any other modal window) holds the hand-over back too,
    // and so does a command that is still running after its dialog closed.
    QMessageBox box(QMessageBox::Information, "Sundra", "busy", QMessageBox::Ok, &app->frame());
    bool waitedDuringBox = false;
    QTimer::singleShot(0, &box, [&] {
        CSundraApp third(options);
        EXPECT_EQ(third.initInstance({album}, false), CSundraApp::StartResult::HandedOver);
        waitUntil([&] { return app->pendingHandOvers() > 0 || view.cuts().name(0) != "handed"; });
        waitedDuringBox = view.cuts().name(0) == "handed";
        box.accept();
    });
    box.exec();
    EXPECT_TRUE(waitedDuringBox);
    ASSERT_TRUE(waitUntil([&] { return app->document().pathName() == album.toStdString(); }));
    bool waitedDuringCommand = false;
    app->commands().bind(kSettings, [&] {
        CSundraApp fourth(options);
        EXPECT_EQ(fourth.initInstance({handed}, false), CSundraApp::StartResult::HandedOver);
        waitUntil([&] { return app->pendingHandOvers() > 0 || view.cuts().name(0) != "album"; });
        waitedDuringCommand = view.cuts().name(0) == "album";
    });
    ASSERT_TRUE(execute(kSettings));
    EXPECT_TRUE(waitedDuringCommand);
    ASSERT_TRUE(waitUntil([&] { return app->document().pathName() == handed.toStdString(); }));
    EXPECT_EQ(view.cuts().name(0), "handed");
}

TEST_F(WindowCommandTest, OpeningTheOpenFileAgainKeepsTheDocumentAndItsEdits) {
    CSundraApp::Options options;
    options.instanceServerName =
        QStringLiteral("sundra-test-") + QUuid::createUuid().toString(QUuid::Id128);
    const QString path = wav("take.wav", {{4 * kSecond, kTone}});
    app = std::make_unique<CSundraApp>(options);
    ASSERT_EQ(app->initInstance({path}, false), CSundraApp::StartResult::Started);
    CSundraView& view = app->view();
    const SampleReaderWriter* master = &app->document().playback().master();
    view.transport().OnHScroll(PositionBar::PageRight, 0);
    ASSERT_TRUE(execute(kSplit));
    ASSERT_EQ(view.cuts().rowCount(), 2);
    const QString sameFileOtherSpelling = QString::fromStdString(folder.file("./take.wav"));

    const std::pair<const char*, std::function<void()>> ways[] = {
        {"open", [&] { EXPECT_TRUE(app->OpenDocumentFile(sameFileOtherSpelling)); }},
        {"recent file", [&] { EXPECT_TRUE(execute(kRecentFileFirst)); }},
        {"drop",
         [&] {
             QMimeData data;
             data.setUrls({QUrl::fromLocalFile(path)});
             QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                             Qt::NoModifier);
             QApplication::sendEvent(&app->frame(), &drop);
         }},
        {"hand-over",
         [&] {
             // Held back behind a message box, so that the test knows when the
             // path has arrived and when it has been dealt with.
             QMessageBox box(QMessageBox::Information, "Sundra", "busy", QMessageBox::Ok,
                             &app->frame());
             QTimer::singleShot(0, &box, [&] {
                 CSundraApp second(options);
                 EXPECT_EQ(second.initInstance({path}, false), CSundraApp::StartResult::HandedOver);
                 EXPECT_TRUE(waitUntil([&] { return app->pendingHandOvers() == 1; }));
                 box.accept();
             });
             box.exec();
             EXPECT_TRUE(waitUntil([&] { return app->pendingHandOvers() == 0; }));
         }},
    };
    for (const auto& [way, open] : ways) {
        SCOPED_TRACE(way);
        open();
        EXPECT_EQ(&app->document().playback().master(), master);
        ASSERT_EQ(view.cuts().rowCount(), 2);
        EXPECT_EQ(view.cuts().name(0), "take-00");
        EXPECT_EQ(view.selectedTrack(), 0);
        EXPECT_EQ(app->document().pathName(), path.toStdString());
    }
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join("|").toStdString();
}

TEST_F(WindowCommandTest, AboutBoxShowsTheLinkUnderlinedInBlue) {
    start();
    CAboutDlg about(&app->frame());
    EXPECT_EQ(about.windowTitle(), "About Sundra");
    HyperlinkStatic& link = about.link();
    EXPECT_EQ(link.text(), CAboutDlg::kWebAddress);
    EXPECT_TRUE(link.font().underline());
    EXPECT_EQ(link.palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(link.palette().color(QPalette::Window), link.palette().color(QPalette::Button));
}

} // namespace
} // namespace sundra::uitest
