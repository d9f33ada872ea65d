// The album information in the edit history and the cut lists of the window,
// and a cue sheet opened as a document.

#include "core/cut_list.h"
#include "tests/support/test_files.h"
#include "tests/ui/window_test_support.h"
#include "ui/document/cuts_model.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/command_ids.h"
#include "ui/platform/message_box_reporter.h"
#include "ui/view/cut_list_files.h"
#include "ui/view/cut_list_keeper.h"
#include "ui/view/sundra_view.h"
#include "ui/view/track_list_ctrl.h"

#include <QUndoStack>

#include <string>

namespace sundra::uitest {
namespace {

using namespace command;

class AlbumHistoryTest : public WindowTest {
protected:
    ~AlbumHistoryTest() override { setQuestionAnswerForTests({}); }
    CSundraView& view() { return app->view(); }
    QString twoSongs() {
        return wav("album.wav", {{88200, 3000}, {66150, 0}, {88200, 3000}, {44100, 0}});
    }
};

TEST_F(AlbumHistoryTest, UndoAndRedoOfTrackInfoPutBackTheAlbumAndTheNames) {
    start({twoSongs()});
    ASSERT_TRUE(execute(kAutoSplit));
    ASSERT_EQ(view().cuts().rowCount(), 2);
    const AlbumInfo infos[] = {
        {"Live", "The Band", "1971", {"Intro", "Side/Long Song"}},
        {"Live Again", "Other \"Band\"", "1972", {"One", "Two"}},
        {"Live Again", "Other \"Band\"", "2001", {}}, // the fields alone: a step too
    };
    std::vector<CutsSnapshot> states = {view().cuts().snapshot()};
    for (const AlbumInfo& info : infos) {
        ASSERT_TRUE(view().cuts().applyTrackInfo(info));
        EXPECT_EQ(view().cuts().undoStack().undoText(), "Track Info");
        states.push_back(view().cuts().snapshot());
        EXPECT_EQ(states.back().album, info);
    }
    EXPECT_EQ(view().cuts().name(1), "02 Two");
    for (std::size_t back = states.size() - 1; back-- > 0;) {
        ASSERT_TRUE(execute(kEditUndo));
        EXPECT_EQ(app->document().cuts().album(), states[back].album) << back;
        EXPECT_EQ(view().cuts().snapshot().rows, states[back].rows) << back;
    }
    EXPECT_EQ(view().cuts().name(1), "album-01");
    for (std::size_t forward = 1; forward < states.size(); ++forward) {
        ASSERT_TRUE(execute(kEditRedo));
        EXPECT_EQ(app->document().cuts().album(), states[forward].album) << forward;
        EXPECT_EQ(view().cuts().snapshot().rows, states[forward].rows) << forward;
    }
}

TEST_F(AlbumHistoryTest, TheAlbumTravelsInCueSheetsAndComesBackWithTheKeptCuts) {
    setQuestionAnswerForTests([](const QString&) { return true; });
    const QString path = twoSongs();
    const QString kept = QString::fromStdString(folder.file("kept"));
    start();
    view().keptCutLists().setFolder(kept);
    ASSERT_TRUE(app->OpenDocumentFile(path));
    ASSERT_TRUE(execute(kAutoSplit));
    const AlbumInfo info{"Live", "The Band", "1971", {"Intro", "Side/Long Song"}};
    ASSERT_TRUE(view().cuts().applyTrackInfo(info));
    const CutList titled = view().cuts().snapshot().rows;

    const QString cue = QString::fromStdString(folder.file("album.cue"));
    view().cutListFiles().setPathChooser([&](bool, const QString&) { return cue; });
    ASSERT_TRUE(execute(kExportCueSheet));
    ASSERT_TRUE(execute(kReset));
    const AlbumInfo other{"Other", "", "", {"Whole"}};
    ASSERT_TRUE(view().cuts().applyTrackInfo(other));
    ASSERT_TRUE(execute(kImportCutList));
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('|').toStdString();
    EXPECT_EQ(app->document().cuts().album(), info);
    EXPECT_EQ(view().cuts().name(1), "02 Side-Long Song");
    ASSERT_TRUE(execute(kEditUndo));
    EXPECT_EQ(app->document().cuts().album(), other);
    ASSERT_TRUE(execute(kEditRedo));

    // Closed and opened again: the cuts come back with their album.
    const CutList rows = view().cuts().snapshot().rows;
    app->shutdown();
    app.reset();
    start();
    view().keptCutLists().setFolder(kept);
    ASSERT_TRUE(app->OpenDocumentFile(path));
    EXPECT_EQ(view().cuts().snapshot().rows, rows);
    EXPECT_EQ(app->document().cuts().album(), info);
}

TEST_F(AlbumHistoryTest, ACueSheetOpensTheWaveItNamesBesideItWithItsTracks) {
    const std::string wave = twoSongs().toStdString();
    const AlbumInfo info{"Live", "The Band", "1971", {"Intro", "Outro"}};
    // Starts on whole CD frames (588 frames at 44.1 kHz); the last track runs to the end.
    const CutList rows = {{"01 Intro", 0, 88200}, {"02 Outro", 262 * 588, 286650}};
    // The sheet names the file as another machine's folder had it.
    const std::string sheet = folder.file("live.cue");
    const std::string text = cueSheetText(rows, "album.wav", 44100, info);
    test::writeBytes(sheet, test::Bytes(text.begin(), text.end()));
    start({QString::fromStdString(sheet)});
    EXPECT_EQ(app->document().pathName(), wave);
    EXPECT_EQ(view().cuts().snapshot().rows, rows);
    EXPECT_EQ(app->document().cuts().album(), info);
    EXPECT_EQ(view().cuts().undoStack().undoText(), "Import");
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('|').toStdString();
    app->shutdown();
    app.reset();

    // A sheet that names no file, or a file that is not there, opens nothing
    // (each message is new: the first start showed none).
    const struct {
        const char* text;
        const char* message;
    } refused[] = {
        {"TITLE \"Live\"\nTRACK 01 AUDIO\n", "names no audio file."},
        {"FILE \"D:\\rips\\missing.wav\" WAVE\n", "file can not opened"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.text);
        test::writeBytes(sheet, test::Bytes(c.text, c.text + std::string(c.text).size()));
        CSundraApp refusing;
        EXPECT_EQ(refusing.initInstance({QString::fromStdString(sheet)}, false),
                  CSundraApp::StartResult::Failed);
        EXPECT_TRUE(messages.texts().join('|').contains(c.message))
            << messages.texts().join('|').toStdString();
    }
}

} // namespace
} // namespace sundra::uitest
