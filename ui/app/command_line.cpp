#include "ui/app/command_line.h"

CommandLine CommandLine::parse(const QStringList& arguments) {
    CommandLine line;
    if (arguments.isEmpty()) {
        return line;
    }
    const QString& first = arguments.first();
    if (first == QStringLiteral("--help") || first == QStringLiteral("-h")) {
        line.action = arguments.size() == 1 ? Action::ShowHelp : Action::ShowUsageError;
        line.argument = arguments.size() == 1 ? QString() : arguments[1];
        return line;
    }
    if (first == QStringLiteral("--screenshot")) {
        if (arguments.size() == 2 && !arguments[1].isEmpty()) {
            line.action = Action::WriteScreenshots;
            line.argument = arguments[1];
        } else {
            line.action = Action::ShowUsageError;
            line.argument = first;
        }
        return line;
    }
    // "--" ends the options: a file whose name starts with "-" follows it.
    const bool endOfOptions = first == QStringLiteral("--");
    const QStringList paths = endOfOptions ? arguments.mid(1) : arguments;
    for (const QString& argument : paths) {
        if (!endOfOptions && argument.startsWith(QLatin1Char('-'))) {
            line.action = Action::ShowUsageError;
            line.argument = argument;
            return line;
        }
    }
    if (paths.size() > 1) {
        line.action = Action::ShowUsageError;
        line.argument = paths[1];
        return line;
    }
    line.argument = paths.value(0);
    return line;
}

QString CommandLine::usage() {
    return QStringLiteral("usage: sundra [FILE.wav]\n"
                          "       sundra --screenshot DIR\n"
                          "       sundra --help\n"
                          "Opens the window, with FILE.wav when given. --screenshot writes "
                          "pictures of the windows into DIR and ends.\n");
}
