#include "tests/ui/window_test_support.h"

#include "ui/platform/command_table.h"
#include "ui/settings/settings_store.h"

#include <QFile>

namespace sundra::uitest {

WindowTest::WindowTest() {
    QFile::remove(QString::fromStdString(QtSettingsStore().fileName()));
}

WindowTest::~WindowTest() {
    if (app) {
        app->shutdown();
    }
}

CSundraApp& WindowTest::start(const QStringList& arguments) {
    return startWith({}, arguments);
}

CSundraApp& WindowTest::startWith(PlaybackContext::DeviceFactory makeDevice,
                                  const QStringList& arguments) {
    CSundraApp::Options options;
    options.makeDevice = std::move(makeDevice);
    app = std::make_unique<CSundraApp>(std::move(options));
    const CSundraApp::StartResult result = app->initInstance(arguments, false);
    EXPECT_EQ(result, CSundraApp::StartResult::Started) << messages.texts().join("|").toStdString();
    return *app;
}

CSundraApp& WindowTest::startWithCountingDevice(const QStringList& arguments) {
    return startWith(
        [this](const WaveFormat& format) {
            auto device = std::make_unique<CountingDevice>(format);
            lastCountingDevice_ = device.get();
            return std::unique_ptr<SampleWriter>(std::move(device));
        },
        arguments);
}

QString WindowTest::wav(const std::string& name, const std::vector<test::Run>& runs,
                        const WaveFormat& format) {
    const std::string path = folder.file(name);
    test::writeRunsWav(path, format, runs);
    return QString::fromStdString(path);
}

bool WindowTest::execute(int id) {
    return app->commands().execute(id);
}
bool WindowTest::enabled(int id) {
    return app->commands().isEnabled(id);
}
bool WindowTest::checked(int id) {
    return app->commands().isChecked(id);
}

} // namespace sundra::uitest
