// The window and the command line run the same engine: Auto Split with the
// default settings and Save All in the window must write, byte for byte, the
// files that sundra-cli split --save writes for the same album.

#include "tests/support/test_files.h"
#include "tests/ui/window_test_support.h"
#include "ui/document/cuts_model.h"
#include "ui/platform/command_ids.h"
#include "ui/view/sundra_view.h"
#include "ui/view/track_list_ctrl.h"

#include <QProcess>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace sundra::uitest {
namespace {

using namespace command;
using WindowEndToEndTest = WindowTest;

int runCli(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(SUNDRA_CLI), arguments);
    if (!process.waitForFinished(120000))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

std::vector<std::string> wavNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".wav")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(WindowEndToEndTest, AutoSplitAndSaveAllWriteWhatTheCommandLineWrites) {
    const std::string album = folder.file("album.wav");
    // Nine minutes of seed 2: three songs with pauses between them.
    ASSERT_EQ(
        runCli({"make-album", QString::fromStdString(album), "--minutes", "9", "--seed", "2"}), 0);
    test::TempDir fromCli;
    ASSERT_EQ(runCli({"split", QString::fromStdString(album), "--save", "--out",
                      QString::fromStdString(fromCli.path().string())}),
              0);

    start({QString::fromStdString(album)});
    CSundraView& view = app->view();
    ASSERT_TRUE(execute(kAutoSplit));
    ASSERT_EQ(view.cuts().rowCount(), 3);
    EXPECT_EQ(view.cuts().name(0), "album-00");
    ASSERT_TRUE(enabled(kSaveAll));
    ASSERT_TRUE(execute(kSaveAll));
    EXPECT_EQ(messages.texts(),
              QStringList(QStringLiteral("Saved 3 tracks in %1.")
                              .arg(QString::fromStdString(folder.path().string()))));

    const std::vector<std::string> expected{"album-00.wav", "album-01.wav", "album-02.wav"};
    ASSERT_EQ(wavNames(fromCli.path()), expected);
    std::vector<std::string> written = wavNames(folder.path());
    written.erase(std::remove(written.begin(), written.end(), "album.wav"), written.end());
    ASSERT_EQ(written, expected);
    for (const std::string& name : expected)
        EXPECT_TRUE(test::readBytes(folder.file(name)) ==
                    test::readBytes((fromCli.path() / name).string()))
            << name << " differs from the command line's";
}

} // namespace
} // namespace sundra::uitest
