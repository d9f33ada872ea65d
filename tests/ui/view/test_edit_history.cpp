// Undo and redo of every edit, the cue sheets and label files of the File
// menu, and the cut list kept for a file between runs.

#include "core/kept_cut_list.h"
#include "tests/ui/window_test_support.h"
#include "ui/app/main_frame.h"
#include "ui/document/cuts_model.h"
#include "ui/document/sundra_doc.h"
#include "ui/platform/command_ids.h"
#include "ui/platform/command_table.h"
#include "ui/platform/message_box_reporter.h"
#include "ui/view/cut_list_files.h"
#include "ui/view/cut_list_keeper.h"
#include "ui/view/position_bar.h"
#include "ui/view/sundra_view.h"
#include "ui/view/track_list_ctrl.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>

#include <filesystem>

namespace sundra::uitest {
namespace {

using namespace command;
constexpr std::int32_t kSecond = 44100;

enum class Kind {
    Split,
    Joint,
    Delete,
    ExpandLeft,
    ExpandRight,
    Reset,
    Rename,
    AutoSplit,
    Label,
    Import,
    Undo,
    Redo
};

struct Op {
    Kind kind;
    int row = 0;
    int bar = 0;           // Split: the position bar
    const char* text = ""; // Label: the new name; Import: the label file
};

std::string describe(const CutsSnapshot& state) {
    std::string out = "selected " + std::to_string(state.selectedTrack) + ", mark " +
                      std::to_string(state.markPosition) + ":";
    for (const CutRow& row : state.rows) {
        out +=
            " [" + row.name + " " + std::to_string(row.start) + " " + std::to_string(row.end) + "]";
    }
    return out;
}

class EditHistoryTest : public WindowTest {
protected:
    ~EditHistoryTest() override { setQuestionAnswerForTests({}); }

    CSundraView& view() { return app->view(); }

    // Three loud parts of 2 s, each followed by a pause of 1.5 s.
    QString album() {
        return wav("album.wav", {{2 * kSecond, 8000},
                                 {3 * kSecond / 2, 0},
                                 {2 * kSecond, 8000},
                                 {3 * kSecond / 2, 0},
                                 {2 * kSecond, 8000},
                                 {3 * kSecond / 2, 0}});
    }

    void dragThumb(int value) {
        QScrollBar& bar = view().positionBar();
        bar.setSliderDown(true);
        bar.setSliderPosition(value);
        bar.setSliderDown(false);
    }

    // What an edit needs first: a selection, a mark, a file to import.
    void prepare(const Op& op) {
        if (op.kind == Kind::Import) {
            const std::string path = folder.file("import.txt");
            test::writeBytes(path, test::Bytes(op.text, op.text + std::strlen(op.text)));
            view().cutListFiles().setPathChooser(
                [path](bool, const QString&) { return QString::fromStdString(path); });
            return;
        }
        if (op.kind == Kind::Reset || op.kind == Kind::Rename) {
            return;
        }
        view().SelectTrack(op.row, false);
        if (op.kind == Kind::Split) {
            dragThumb(op.bar);
        }
    }

    // The edit itself; false when its command was disabled.
    bool command(const Op& op) {
        switch (op.kind) {
        case Kind::Split:
            return execute(kSplit);
        case Kind::Joint:
            return execute(kJoint);
        case Kind::Delete:
            return execute(kDelete);
        case Kind::ExpandLeft:
            return execute(kExpandLeft);
        case Kind::ExpandRight:
            return execute(kExpandRight);
        case Kind::Reset:
            return execute(kReset);
        case Kind::Rename:
            return execute(kRename);
        case Kind::AutoSplit:
            return execute(kAutoSplit);
        case Kind::Import:
            return execute(kImportCutList);
        case Kind::Label: {
            // As the name editor confirms an edit.
            QAbstractItemModel* model = view().list().model();
            return model->setData(model->index(op.row, 0), QString::fromUtf8(op.text),
                                  Qt::EditRole);
        }
        default:
            return false;
        }
    }

    void expectState(const CutsSnapshot& expected, const std::string& where) {
        const CutsSnapshot actual = view().cuts().snapshot();
        EXPECT_EQ(describe(actual), describe(expected)) << where;
        // The current range is the selected row's segment, at the mark.
        if (actual.selectedTrack != -1) {
            EXPECT_EQ(&app->document().playback().range(),
                      view().cuts().trackAt(actual.selectedTrack))
                << where;
            EXPECT_EQ(app->document().playback().range().tell(), actual.markPosition) << where;
        }
    }
};

TEST_F(EditHistoryTest, UndoAndRedoPutBackExactlyWhatEachEditChanged) {
    const char* labels = "0.5\t1.5\tone\n2\t3\ttwo\n4\t8.5\tthree\n";
    const std::vector<std::vector<Op>> sequences = {
        {{Kind::Split, 0, 500},
         {Kind::Split, 1, 250},
         {Kind::Undo},
         {Kind::Redo},
         {Kind::Joint, 1},
         {Kind::Undo},
         {Kind::Undo},
         {Kind::Redo}},
        {{Kind::AutoSplit, 0},
         {Kind::Delete, 1},
         {Kind::ExpandRight, 0},
         {Kind::Undo},
         {Kind::Undo},
         {Kind::Undo},
         {Kind::Undo},
         {Kind::Redo},
         {Kind::Redo}},
        {{Kind::AutoSplit, 0},
         {Kind::Rename},
         {Kind::Label, 2, 0, "finale"},
         {Kind::ExpandLeft, 2},
         {Kind::Undo},
         {Kind::Undo},
         {Kind::Label, 0, 0, "opening"},
         {Kind::Reset},
         {Kind::Undo}},
        {{Kind::Split, 0, 400},
         {Kind::Import, 0, 0, labels},
         {Kind::Undo},
         {Kind::Redo},
         {Kind::Delete, 0},
         {Kind::ExpandLeft, 0},
         {Kind::Undo},
         {Kind::Undo},
         {Kind::Undo},
         {Kind::Undo}},
        {{Kind::AutoSplit, 0},
         {Kind::Undo},
         {Kind::Split, 0, 1000},
         {Kind::Redo},
         {Kind::Joint, 1},
         {Kind::Undo},
         {Kind::AutoSplit, 0}},
    };
    setQuestionAnswerForTests([](const QString&) { return false; });
    start({album()});
    const QString path = QString::fromStdString(app->document().pathName());
    for (std::size_t s = 0; s < sequences.size(); ++s) {
        // Opening the open file again keeps it as it is, so each sequence
        // starts from New and a fresh open (the question to restore its cuts
        // answered no).
        ASSERT_TRUE(app->OnFileNew());
        ASSERT_TRUE(app->OpenDocumentFile(path));
        EXPECT_FALSE(enabled(kEditUndo));
        struct Step {
            Op op;
            CutsSnapshot before;
            CutsSnapshot after;
        };
        std::vector<Step> done;
        std::vector<Step> undone;
        for (std::size_t i = 0; i < sequences[s].size(); ++i) {
            const Op& op = sequences[s][i];
            const std::string where =
                "sequence " + std::to_string(s) + " step " + std::to_string(i);
            if (op.kind == Kind::Undo || op.kind == Kind::Redo) {
                std::vector<Step>& from = op.kind == Kind::Undo ? done : undone;
                std::vector<Step>& to = op.kind == Kind::Undo ? undone : done;
                EXPECT_EQ(enabled(op.kind == Kind::Undo ? kEditUndo : kEditRedo), !from.empty())
                    << where;
                ASSERT_EQ(execute(op.kind == Kind::Undo ? kEditUndo : kEditRedo), !from.empty())
                    << where;
                if (!from.empty()) {
                    expectState(op.kind == Kind::Undo ? from.back().before : from.back().after,
                                where);
                    to.push_back(from.back());
                    from.pop_back();
                }
                continue;
            }
            // The state undo returns to: after the edit's selection and mark
            // were made, just before its command runs.
            prepare(op);
            Step step{op, view().cuts().snapshot(), {}};
            ASSERT_TRUE(command(op)) << where;
            step.after = view().cuts().snapshot();
            done.push_back(step);
            undone.clear();
        }
        // The rows equal those of the same edits without the undone ones.
        const CutsSnapshot result = view().cuts().snapshot();
        ASSERT_TRUE(app->OnFileNew());
        ASSERT_TRUE(app->OpenDocumentFile(path));
        for (const Step& step : done) {
            prepare(step.op);
            ASSERT_TRUE(command(step.op)) << "replay of sequence " << s;
        }
        EXPECT_EQ(describe({view().cuts().snapshot().rows, 0, 0}), describe({result.rows, 0, 0}))
            << "sequence " << s;
    }
}

TEST_F(EditHistoryTest, UndoAndRedoSitInTheEditMenuWithTheirKeysAndNewOrOpenClearThem) {
    start({album()});
    CommandTable& table = app->commands();
    QAction* undo = table.action(kEditUndo);
    QAction* redo = table.action(kEditRedo);
    EXPECT_EQ(undo->text(), "&Undo");
    EXPECT_EQ(redo->text(), "&Redo");
    EXPECT_EQ(undo->shortcuts(),
              QList<QKeySequence>({QKeySequence(QStringLiteral("Ctrl+Z")),
                                   QKeySequence(QStringLiteral("Alt+Backspace"))}));
    EXPECT_EQ(redo->shortcuts(), QList<QKeySequence>({QKeySequence(QStringLiteral("Ctrl+Shift+Z")),
                                                      QKeySequence(QStringLiteral("Ctrl+Y"))}));
    QStringList edit;
    QStringList file;
    for (QAction* menu : app->frame().menuBar()->actions()) {
        if (menu->text() == "&File") {
            for (QAction* item : menu->menu()->actions()) {
                file << item->text();
            }
        }
        if (menu->text() != "&Action") {
            continue;
        }
        for (QAction* item : menu->menu()->actions()) {
            if (item->text() == "&Edit") {
                for (QAction* entry : item->menu()->actions()) {
                    edit << (entry->isSeparator() ? QStringLiteral("|") : entry->text());
                }
            }
        }
    }
    EXPECT_EQ(edit.join(','),
              "&Split,&Joint,&Delete,Expand &Left,Expand &Right,Reset,|,&Undo,&Redo");
    EXPECT_TRUE(file.contains("Import Cue Sheet or Labels..."));
    EXPECT_TRUE(file.contains("Export Cue Sheet..."));
    EXPECT_TRUE(file.contains("Export Labels..."));

    EXPECT_FALSE(enabled(kEditUndo));
    EXPECT_FALSE(enabled(kEditRedo));
    ASSERT_TRUE(execute(kRename));
    EXPECT_TRUE(enabled(kEditUndo));
    EXPECT_TRUE(view().cuts().edited());
    ASSERT_TRUE(execute(kEditUndo));
    EXPECT_FALSE(view().cuts().edited());
    EXPECT_TRUE(enabled(kEditRedo));
    // A Rename that changes no name is no step.
    ASSERT_TRUE(execute(kEditRedo));
    ASSERT_TRUE(execute(kRename));
    EXPECT_EQ(view().cuts().undoStack().count(), 1);

    ASSERT_TRUE(app->OnFileNew());
    EXPECT_FALSE(enabled(kEditUndo));
    EXPECT_FALSE(enabled(kEditRedo));
    const QString path = QString::fromStdString(folder.file("album.wav"));
    ASSERT_TRUE(app->OpenDocumentFile(path));
    ASSERT_TRUE(execute(kRename));
    // The open file opened again stays as it is, its history too; another
    // file starts a history of its own.
    ASSERT_TRUE(app->OpenDocumentFile(path));
    EXPECT_TRUE(enabled(kEditUndo));
    const std::string other = folder.file("other.wav");
    std::filesystem::copy_file(path.toStdString(), other);
    ASSERT_TRUE(app->OpenDocumentFile(QString::fromStdString(other)));
    EXPECT_FALSE(enabled(kEditUndo));
}

TEST_F(EditHistoryTest, AnEditedDocumentsCutsComeBackWhenItsFileOpensAgain) {
    QStringList questions;
    bool answer = true;
    setQuestionAnswerForTests([&](const QString& question) {
        questions << question;
        return answer;
    });
    const QString path = album();
    const QString kept = QString::fromStdString(folder.file("kept"));
    start();
    view().keptCutLists().setFolder(kept);
    ASSERT_TRUE(app->OpenDocumentFile(path));
    ASSERT_TRUE(execute(kAutoSplit));
    view().SelectTrack(1, false);
    dragThumb(333);
    ASSERT_TRUE(execute(kSplit));
    const CutList rows = view().cuts().snapshot().rows;
    ASSERT_EQ(rows.size(), 4u);
    // Closing asks nothing.
    app->shutdown();
    app.reset();
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('|').toStdString();

    start();
    view().keptCutLists().setFolder(kept);
    ASSERT_TRUE(app->OpenDocumentFile(path));
    EXPECT_EQ(questions, QStringList({"Restore the 4 tracks from last time?"}));
    EXPECT_EQ(view().cuts().snapshot().rows, rows);
    EXPECT_EQ(view().selectedTrack(), 0);
    // The restore is one step: undone, the file is whole again.
    ASSERT_TRUE(execute(kEditUndo));
    ASSERT_EQ(view().cuts().snapshot().rows.size(), 1u);
    ASSERT_TRUE(execute(kEditRedo));

    // No opens the file whole; New keeps an edited document's cuts as well.
    ASSERT_TRUE(app->OnFileNew());
    answer = false;
    ASSERT_TRUE(app->OpenDocumentFile(path));
    EXPECT_EQ(questions.size(), 2);
    ASSERT_EQ(view().cuts().snapshot().rows.size(), 1u);
    EXPECT_EQ(view().cuts().snapshot().rows[0].end, app->document().playback().master().length());

    // Another edit, kept by New; then the source changes: nothing is offered.
    ASSERT_TRUE(execute(kRename));
    ASSERT_TRUE(app->OnFileNew());
    namespace fs = std::filesystem;
    const fs::path file = path.toStdString();
    fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(2));
    answer = true;
    ASSERT_TRUE(app->OpenDocumentFile(path));
    EXPECT_EQ(questions.size(), 2);
    EXPECT_EQ(view().cuts().snapshot().rows.size(), 1u);
    EXPECT_EQ(view().cuts().name(0), "album");
}

TEST_F(EditHistoryTest, CueSheetsAndLabelsAreExportedAndImportedAsOneStep) {
    start({album()});
    ASSERT_TRUE(execute(kAutoSplit));
    const CutList rows = view().cuts().snapshot().rows;
    ASSERT_EQ(rows.size(), 3u);
    ASSERT_TRUE(execute(kRename));
    EXPECT_TRUE(view().cuts().edited());
    QString suggested;
    QString target = QString::fromStdString(folder.file("album.txt"));
    view().cutListFiles().setPathChooser([&](bool save, const QString& offered) {
        EXPECT_TRUE(save);
        suggested = offered;
        return target;
    });
    ASSERT_TRUE(execute(kExportLabels));
    EXPECT_EQ(suggested, target);
    const CutList named = view().cuts().snapshot().rows;
    const test::Bytes labels = test::readBytes(target.toStdString());
    EXPECT_EQ(std::string(labels.begin(), labels.end()), labelText(named, kSecond));
    // Written out, the cuts are safe: the document no longer counts as edited.
    EXPECT_FALSE(view().cuts().edited());

    target = QString::fromStdString(folder.file("album.cue"));
    ASSERT_TRUE(execute(kExportCueSheet));
    const test::Bytes cue = test::readBytes(target.toStdString());
    EXPECT_EQ(std::string(cue.begin(), cue.end()), cueSheetText(named, "album.wav", kSecond));

    // Importing the sheet back: starts within a CD frame, one undo step.
    ASSERT_TRUE(execute(kReset));
    view().cutListFiles().setPathChooser([&](bool save, const QString&) {
        EXPECT_FALSE(save);
        return target;
    });
    ASSERT_TRUE(execute(kImportCutList));
    const CutList imported = view().cuts().snapshot().rows;
    ASSERT_EQ(imported.size(), named.size());
    for (std::size_t i = 0; i < named.size(); ++i) {
        EXPECT_EQ(imported[i].name, named[i].name);
        EXPECT_LT(std::abs(named[i].start - imported[i].start), kSecond / 75);
        EXPECT_LT(std::abs(named[i].end - imported[i].end), kSecond / 75);
    }
    EXPECT_EQ(view().selectedTrack(), 0);
    ASSERT_TRUE(execute(kEditUndo));
    EXPECT_EQ(view().cuts().snapshot().rows.size(), 1u);

    // A bad list names its line and changes nothing.
    const std::string bad = folder.file("bad.txt");
    test::writeBytes(bad, test::Bytes{'1', '\t', '2', '\n', '3', '\t', '2', '\n'});
    target = QString::fromStdString(bad);
    const int steps = view().cuts().undoStack().count();
    ASSERT_TRUE(execute(kImportCutList));
    EXPECT_EQ(messages.texts(), QStringList({"bad.txt: line 2: the label ends before it starts"}));
    EXPECT_EQ(view().cuts().snapshot().rows.size(), 1u);
    EXPECT_EQ(view().cuts().undoStack().count(), steps);

    // What a list holds that gives no row is named once its rows are in.
    const std::string mixed = folder.file("mixed.txt");
    test::writeBytes(mixed, test::Bytes{'1', '\t', '2', '\n', '3', '\t', '3', '\n'});
    target = QString::fromStdString(mixed);
    ASSERT_TRUE(execute(kImportCutList));
    EXPECT_EQ(messages.texts().last(), "mixed.txt: line 2: the point at 3.000000 s is not a track "
                                       "among the regions, and was skipped");
    EXPECT_EQ(view().cuts().snapshot().rows, (CutList{{"album-00", kSecond, 2 * kSecond}}));
}

} // namespace
} // namespace sundra::uitest
