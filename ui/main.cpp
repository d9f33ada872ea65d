// The window program. `sundra [file.wav]` opens the window (with the file);
// `sundra --screenshot DIR` writes screenshots of the windows into DIR and ends.

#include "core/file.h"
#include "ui/message_box_reporter.h"
#include "ui/screenshots.h"
#include "ui/sundra_app.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char* argv[]) {
    sundra::ignoreFileSizeSignal();
    QApplication application(argc, argv);
    QStringList arguments = QApplication::arguments().mid(1);
    if (arguments.size() == 2 && arguments[0] == QStringLiteral("--screenshot")) {
        return writeScreenshots(arguments[1]);
    }
    installMessageBoxErrorReporter();

    CSundraApp::Options options;
    options.instanceServerName = CSundraApp::defaultInstanceServerName();
    CSundraApp app(std::move(options));
    switch (app.initInstance(arguments)) {
    case CSundraApp::StartResult::HandedOver:
        return 0;
    case CSundraApp::StartResult::Failed:
        return 1;
    case CSundraApp::StartResult::Started:
        break;
    }
    const int status = QApplication::exec();
    app.shutdown();
    return status;
}
