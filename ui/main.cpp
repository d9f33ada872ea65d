// The window program. `sundra [file.wav]` opens the window (with the file);
// `sundra --screenshot DIR` writes screenshots of the windows into DIR and ends;
// `sundra --help` prints the usage.

#include "core/file.h"
#include "ui/app/command_line.h"
#include "ui/app/screenshots.h"
#include "ui/app/sundra_app.h"
#include "ui/platform/message_box_reporter.h"

#include <QApplication>
#include <QGuiApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char* argv[]) {
    sundra::ignoreFileSizeSignal();
    QApplication application(argc, argv);
    const CommandLine line = CommandLine::parse(QApplication::arguments().mid(1));
    switch (line.action) {
    case CommandLine::Action::ShowHelp:
        std::fputs(CommandLine::usage().toLocal8Bit().constData(), stdout);
        return 0;
    case CommandLine::Action::ShowUsageError:
        std::fprintf(stderr, "sundra: unknown argument %s\n%s",
                     line.argument.toLocal8Bit().constData(),
                     CommandLine::usage().toLocal8Bit().constData());
        return 2;
    case CommandLine::Action::WriteScreenshots:
        return writeScreenshots(line.argument);
    case CommandLine::Action::OpenWindow:
        break;
    }
    installMessageBoxErrorReporter();
    // Nobody could close a message box there: the texts go to standard error.
    if (QGuiApplication::platformName() == QStringLiteral("offscreen")) {
        sendMessagesToStandardError();
    }

    CSundraApp::Options options;
    options.instanceServerName = CSundraApp::defaultInstanceServerName();
    CSundraApp app(std::move(options));
    const QStringList arguments =
        line.argument.isEmpty() ? QStringList() : QStringList{line.argument};
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
