// The cut list kept for a file between runs, written as the cuts change: what
// the next open of the file offers after the program was killed, after an
// export and a close, after another program changed the file while it was
// open, and for a recording.

#include "audio/test_sound_port.h"
#include "core/kept_cut_list_file.h"
#include "tests/ui/recording_test_support.h"
#include "tests/ui/view/view_test.h"
#include "ui/platform/command_ids.h"
#include "ui/platform/command_table.h"
#include "ui/platform/message_box_reporter.h"
#include "ui/view/cut_list_files.h"
#include "ui/view/cut_list_keeper.h"
#include "ui/view/dialog_launchers.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>

#include <csignal>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <string>

namespace sundra::uitest {
namespace {

using namespace command;
constexpr std::int32_t kSecond = 44100;
constexpr std::int32_t kRecordingBlock = 2757;

// The edits of a session: Split at 1 s, Split of the second part at 1 s of
// it, and the last part named "Coda".
void editCuts(CSundraApp& app) {
    CSundraView& view = app.view();
    view.transport().MovePositionTo(kSecond);
    EXPECT_TRUE(app.commands().execute(kSplit));
    view.SelectTrack(1, false);
    view.transport().MovePositionTo(kSecond);
    EXPECT_TRUE(app.commands().execute(kSplit));
    view.cuts().renameTrack(2, "Coda");
}

// What they leave of a file of that title and length.
CutList editedCuts(const std::string& title, std::int32_t frames) {
    return {{title + "-00", 0, kSecond},
            {title + "-01-00", kSecond + 1, 2 * kSecond + 1},
            {"Coda", 2 * kSecond + 2, frames}};
}

// The child of the kill: opens a file (arguments: the file, the folder of the
// kept lists), edits it, says "kept" once the list on disk holds its cuts,
// and waits for the test to kill it. It only watches the list: the window
// writes it by itself.
int editUntilKilled(const QStringList& arguments) {
    ScopedSoundPortFactory silent{[] { return std::make_unique<SilentPort>(); }};
    CSundraApp app;
    if (app.initInstance({}, false) != CSundraApp::StartResult::Started)
        return 1;
    app.view().keptCutLists().setFolder(arguments.value(1));
    if (!app.OpenDocumentFile(arguments.value(0)))
        return 1;
    const std::optional<KeptCutListFile> list =
        KeptCutListFile::forSource(arguments.value(1).toStdString(), app.document().pathName());
    editCuts(app);
    const CutList edited = app.view().cuts().snapshot().rows;
    if (!list || !waitUntil([&] {
            const std::optional<AlbumCutList> kept = list->read(app.document().cutSource());
            return kept && kept->rows == edited;
        }))
        return 1;
    std::cout << "kept" << std::endl;
    std::string line;
    std::getline(std::cin, line); // until killed, or the test has gone
    return 0;
}
[[maybe_unused]] const bool childRegistered =
    registerChildRoutine("edit-until-killed", editUntilKilled);

class KeptCutListsTest : public ViewTest {
protected:
    ~KeptCutListsTest() override {
        if (app) {
            app->shutdown();
            app.reset();
        }
        setQuestionAnswerForTests({});
        clearRecordOptions();
    }

    void startKeeping() {
        start();
        view().keptCutLists().setFolder(QString::fromStdString(folder.file("kept")));
    }
    void close() {
        app->shutdown();
        app.reset();
    }

public: // the table of the test names them
    // The sessions that edit a file and end; each gives the file.
    QString killed() {
        const QString path = wav("killed.wav", {{10 * kSecond, 3000}});
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {"--child", "edit-until-killed", QString::fromStdString(folder.path().string()),
                     path, QString::fromStdString(folder.file("kept"))});
        while (!child.canReadLine() && child.waitForReadyRead(60000)) {
        }
        EXPECT_EQ(child.readLine().trimmed(), "kept");
        if (child.state() == QProcess::Running)
            ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        EXPECT_TRUE(child.waitForFinished(60000));
        EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
        return path;
    }
    QString exported() {
        const QString path = wav("exported.wav", {{10 * kSecond, 3000}});
        startKeeping();
        EXPECT_TRUE(app->OpenDocumentFile(path));
        editCuts(*app);
        // Written out, the history counts as saved; the kept list goes on.
        for (const auto& [id, name] : {std::pair{kExportLabels, "exported.txt"},
                                       std::pair{kExportCueSheet, "exported.cue"}}) {
            const QString target = QString::fromStdString(folder.file(name));
            view().cutListFiles().setPathChooser([target](bool, const QString&) { return target; });
            EXPECT_TRUE(execute(id));
        }
        close();
        return path;
    }
    QString changedWhileOpen() {
        const QString path = wav("changed.wav", {{10 * kSecond, 3000}});
        startKeeping();
        EXPECT_TRUE(app->OpenDocumentFile(path));
        namespace fs = std::filesystem;
        const fs::path file = path.toStdString();
        fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(2));
        editCuts(*app);
        close();
        return path;
    }
    QString recorded() {
        // Three seconds of a tone, then silence until Auto Stop ends the take.
        setRecordOption("autostop", 1);
        setRecordOption("autostoptime", 5);
        startKeeping();
        auto script = std::make_shared<TestSoundScript>();
        script->feedTone(WaveFormat{}, 440, 0.5, 3.0);
        script->feedBytes(test::pcm16(std::vector<std::int16_t>(2 * kRecordingBlock * 12, 0)));
        script->setInputStalled(true);
        ScopedSoundPortFactory scripted{
            [script] { return std::make_unique<TestSoundPort>(script); }};
        onRecordingDialog([script](CRecordingDialog& dialog) {
            dialog.startButton()->click();
            script->setInputStalled(false);
        });
        const QString path = QString::fromStdString(folder.file("take.wav"));
        view().dialogs().setRecordingPathChooser([path](QWidget*) { return path; });
        EXPECT_TRUE(execute(kRecord));
        EXPECT_EQ(app->document().pathName(), path.toStdString());
        editCuts(*app);
        close();
        return path;
    }
};

TEST_F(KeptCutListsTest, TheNextOpenOffersTheCutsOfTheLastEditUnlessTheFileChanged) {
    QStringList questions;
    setQuestionAnswerForTests([&](const QString& question) {
        questions << question;
        return true;
    });
    const struct {
        const char* what;
        std::function<QString(KeptCutListsTest&)> session;
        bool offered;
    } cases[] = {
        {"killed after its edits", &KeptCutListsTest::killed, true},
        {"edited, exported and closed", &KeptCutListsTest::exported, true},
        {"changed by another program while open", &KeptCutListsTest::changedWhileOpen, false},
        {"a recording, edited and closed", &KeptCutListsTest::recorded, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = c.session(*this);
        questions.clear();
        startKeeping();
        ASSERT_TRUE(app->OpenDocumentFile(path));
        const std::string title = QFileInfo(path).completeBaseName().toStdString();
        const std::int32_t frames = playback().master().length();
        if (c.offered) {
            EXPECT_EQ(questions.join('|'), "Restore the 3 tracks from last time?");
            EXPECT_EQ(cuts().snapshot().rows, editedCuts(title, frames));
        } else {
            EXPECT_EQ(questions.join('|'), "");
            EXPECT_EQ(cuts().snapshot().rows, (CutList{{title, 0, frames}}));
        }
        close();
    }
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('|').toStdString();
}

} // namespace
} // namespace sundra::uitest
