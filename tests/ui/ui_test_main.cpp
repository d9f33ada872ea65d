// The window tests' main: an offscreen QApplication, QSettings redirected to a
// temporary folder, and message boxes turned into lines on standard error so
// that no test can hang on a modal box. Started with "--child" it runs one
// part of a test as a process of its own (see ChildRoutine).

#include "tests/ui/ui_test_support.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // No window test needs the sound card; the silent port also keeps them off
    // the sound server that the device tests measure.
    setenv("SUNDRA_AUDIO", "silent", 1);
    // A child keeps its settings in the test's folder: it may be killed, and
    // the test removes what it leaves.
    const bool child = argc >= 4 && std::strcmp(argv[1], "--child") == 0;
    std::optional<QTemporaryDir> settingsHome;
    if (child)
        settingsHome.emplace(QString::fromLocal8Bit(argv[3]) + QStringLiteral("/settings-XXXXXX"));
    else
        settingsHome.emplace();
    if (!settingsHome->isValid())
        return 2;
    // Both the INI files of QSettings and anything else that follows the XDG
    // rules land in the temporary folder.
    setenv("XDG_CONFIG_HOME", settingsHome->path().toLocal8Bit().constData(), 1);
    setenv("XDG_DATA_HOME", settingsHome->path().toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsHome->path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsHome->path());
    sundra::uitest::setSettingsFolder(settingsHome->path());
    sundra::uitest::installDefaultMessageSink();

    if (child) {
        const sundra::uitest::ChildRoutine routine =
            sundra::uitest::childRoutine(QString::fromLocal8Bit(argv[2]));
        QStringList arguments;
        for (int i = 4; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        return routine == nullptr ? 2 : routine(arguments);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
