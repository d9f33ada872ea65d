#include "ui/app/command_line.h"

#include "core/version.h"

CommandLine CommandLine::parse(const QStringList& arguments) {
    CommandLine line;
    if (arguments.isEmpty()) {
        return line;
    }
    const QString& first = arguments.first();
    const bool help = first == QStringLiteral("--help") || first == QStringLiteral("-h");
    if (help || first == QStringLiteral("--version")) {
        const Action asked = help ? Action::ShowHelp : Action::ShowVersion;
        line.action = arguments.size() == 1 ? asked : Action::ShowUsageError;
        line.argument = arguments.size() == 1 ? QString() : arguments[1];
        return line;
    }
    if (first == QStringLiteral("--screenshot")) {
        if ((arguments.size() == 2 || arguments.size() == 3) && !arguments[1].isEmpty()) {
            line.action = Action::WriteScreenshots;
            line.argument = arguments[1];
            line.file = arguments.value(2);
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
    return QStringLiteral("usage: sundra [FILE.wav | FILE.cue]\n"
                          "       sundra --screenshot DIR [FILE.wav]\n"
                          "       sundra --help | --version\n"
                          "Opens the window, with FILE.wav when given, or with the WAV file "
                          "that the cue sheet FILE.cue names and the sheet's tracks. "
                          "--screenshot writes pictures of the windows into DIR and ends; "
                          "with FILE.wav, pictures of its waveform too.\n");
}

QString CommandLine::version() {
    return QStringLiteral("sundra %1\n").arg(QString::fromLatin1(sundra::kVersion));
}
