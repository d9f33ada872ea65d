#pragma once
// The window program's command line: `sundra [FILE.wav | FILE.cue]`, `sundra
// --screenshot DIR [FILE.wav]`, `sundra --help` and `sundra --version`. Anything else that
// starts with "-" is no path but a mistake, answered with the usage.

#include <QString>
#include <QStringList>

struct CommandLine {
    enum class Action { OpenWindow, WriteScreenshots, ShowHelp, ShowVersion, ShowUsageError };

    Action action = Action::OpenWindow;
    // OpenWindow: the file to open (empty: a new document). WriteScreenshots:
    // the folder. ShowUsageError: what was wrong.
    QString argument;
    // WriteScreenshots: a recording to show besides the generated album
    // (empty: none).
    QString file;

    // arguments without the program's name.
    static CommandLine parse(const QStringList& arguments);
    static QString usage();
    // What --version prints.
    static QString version();
};
