// The window program's command line, run as a user runs it: usage, help,
// version, and a file that cannot be opened where no one could answer a
// message box.

#include "core/version.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QUuid>

namespace sundra::uitest {
namespace {

struct ProgramRun {
    int status = -1; // -1: killed or did not end
    QString out;
    QString err;
};

ProgramRun runWindowProgram(const QStringList& arguments, const test::TempDir& home) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // Its own settings, and no running program of this user to hand over to.
    environment.insert(QStringLiteral("HOME"), QString::fromStdString(home.path().string()));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       QString::fromStdString(home.file("config")));
    environment.insert(QStringLiteral("USER"), QUuid::createUuid().toString(QUuid::Id128));
    environment.insert(QStringLiteral("SUNDRA_AUDIO"), QStringLiteral("silent"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(SUNDRA_WINDOW_PROGRAM), arguments);
    ProgramRun run;
    // Only guards against a hang: the program answers at once.
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    if (process.exitStatus() == QProcess::NormalExit) {
        run.status = process.exitCode();
    }
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

TEST(WindowProgramCommandLine, OptionsAreNoPathsAndAFailedStartEndsWithItsMessage) {
    test::TempDir home;
    const QString usage = QStringLiteral("usage: sundra [FILE.wav | FILE.cue]\n");
    const ProgramRun help = runWindowProgram({QStringLiteral("--help")}, home);
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith(usage)) << help.out.toStdString();
    const ProgramRun version = runWindowProgram({QStringLiteral("--version")}, home);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, QStringLiteral("sundra %1\n").arg(QLatin1String(kVersion)));

    for (const QStringList& wrong :
         {QStringList{"-x"}, QStringList{"--version", "a.wav"}, QStringList{"--screenshot"},
          QStringList{"a.wav", "--help"}, QStringList{"a.wav", "b.wav"}}) {
        SCOPED_TRACE(wrong.join(' ').toStdString());
        const ProgramRun run = runWindowProgram(wrong, home);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err.contains(usage)) << run.err.toStdString();
    }

    // The document's own message, on standard error, and the program ends.
    const ProgramRun missing =
        runWindowProgram({QString::fromStdString(home.file("missing.wav"))}, home);
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains("sundra: file can not opened\n")) << missing.err.toStdString();
    const ProgramRun dashed =
        runWindowProgram({"--", QString::fromStdString(home.file("-x.wav"))}, home);
    EXPECT_EQ(dashed.status, 1);
    EXPECT_TRUE(dashed.err.contains("sundra: file can not opened\n")) << dashed.err.toStdString();
}

} // namespace
} // namespace sundra::uitest
