// The window tests' main: an offscreen QApplication, QSettings redirected to a
// temporary folder, and message boxes turned into lines on standard error so
// that no test can hang on a modal box.

#include "tests/ui/ui_test_support.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // No window test needs the sound card; the silent port also keeps them off
    // the sound server that the device tests measure.
    setenv("SUNDRA_AUDIO", "silent", 1);
    QTemporaryDir settingsHome;
    if (!settingsHome.isValid())
        return 2;
    // Both the INI files of QSettings and anything else that follows the XDG
    // rules land in the temporary folder.
    setenv("XDG_CONFIG_HOME", settingsHome.path().toLocal8Bit().constData(), 1);
    setenv("XDG_DATA_HOME", settingsHome.path().toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsHome.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsHome.path());
    sundra::uitest::setSettingsFolder(settingsHome.path());
    sundra::uitest::installDefaultMessageSink();

    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
