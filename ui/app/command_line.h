#pragma once
// The window program's command line: `sundra [FILE.wav]`, `sundra --screenshot
// DIR` and `sundra --help`. Anything else that starts with "-" is no path but a
// mistake, answered with the usage.

#include <QString>
#include <QStringList>

struct CommandLine {
    enum class Action { OpenWindow, WriteScreenshots, ShowHelp, ShowUsageError };

    Action action = Action::OpenWindow;
    // OpenWindow: the file to open (empty: a new document). WriteScreenshots:
    // the folder. ShowUsageError: what was wrong.
    QString argument;

    // arguments without the program's name.
    static CommandLine parse(const QStringList& arguments);
    static QString usage();
};
