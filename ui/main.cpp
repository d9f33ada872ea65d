// The window program. `sundra [file.wav]` opens the window (with the file, or
// with the WAV file of a cue sheet and its tracks);
// `sundra --screenshot DIR [FILE.wav]` writes screenshots of the windows into
// DIR and ends;
// `sundra --help` prints the usage and `sundra --version` the version.

#include "core/file.h"
#include "ui/app/command_line.h"
#include "ui/app/screenshots.h"
#include "ui/app/sundra_app.h"
#include "ui/platform/message_box_reporter.h"

#include <QApplication>
#include <QGuiApplication>
#include <QStringList>

#include <cstdio>

namespace {

bool asksHelpOrVersion(const CommandLine& line) {
    return line.action == CommandLine::Action::ShowHelp ||
           line.action == CommandLine::Action::ShowVersion;
}

// The usage or the version, on standard output.
int answer(const CommandLine& line) {
    const QString text = line.action == CommandLine::Action::ShowHelp ? CommandLine::usage()
                                                                      : CommandLine::version();
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    sundra::ignoreFileSizeSignal();
    // Help and version need no display: they are answered before the
    // application connects to one.
    QStringList given;
    for (int i = 1; i < argc; ++i) {
        given.append(QString::fromLocal8Bit(argv[i]));
    }
    const CommandLine early = CommandLine::parse(given);
    if (asksHelpOrVersion(early)) {
        return answer(early);
    }
    QApplication application(argc, argv);
    const CommandLine line = CommandLine::parse(QApplication::arguments().mid(1));
    switch (line.action) {
    case CommandLine::Action::ShowHelp:
    case CommandLine::Action::ShowVersion:
        return answer(line);
    case CommandLine::Action::ShowUsageError:
        std::fprintf(stderr, "sundra: unknown argument %s\n%s",
                     line.argument.toLocal8Bit().constData(),
                     CommandLine::usage().toLocal8Bit().constData());
        return 2;
    case CommandLine::Action::WriteScreenshots:
        return writeScreenshots(line.argument, line.file);
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
