#include "tests/ui/ui_test_support.h"

#include "core/byte_stream.h"
#include "core/file.h"
#include "ui/platform/message_box_reporter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QSettings>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <utility>

#include <gtest/gtest.h>

namespace sundra::uitest {

namespace {
QString& folder() {
    static QString path;
    return path;
}
std::map<QString, ChildRoutine>& childRoutines() {
    static std::map<QString, ChildRoutine> routines;
    return routines;
}
} // namespace

void setSettingsFolder(const QString& path) {
    folder() = path;
}
QString settingsFolder() {
    return folder();
}

bool registerChildRoutine(const char* name, ChildRoutine routine) {
    childRoutines()[QString::fromLatin1(name)] = routine;
    return true;
}

ChildRoutine childRoutine(const QString& name) {
    const auto found = childRoutines().find(name);
    return found == childRoutines().end() ? nullptr : found->second;
}

void installDefaultMessageSink() {
    setMessageSinkForTests([](const QString& text) {
        std::fprintf(stderr, "[message box] %s\n", text.toLocal8Bit().constData());
    });
}

MessageCapture::MessageCapture() {
    setMessageSinkForTests([this](const QString& text) { texts_.push_back(text); });
}

MessageCapture::~MessageCapture() {
    installDefaultMessageSink();
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

int execWith(QDialog& dialog, std::function<void()> action) {
    // A timer, not a queued call: the action waits in nested event loops, and
    // inside the delivery of a posted event those may hold back the worker's
    // later posts.
    QTimer::singleShot(1, Qt::PreciseTimer, &dialog, [&dialog, action = std::move(action)] {
        action();
        // An ASSERT that failed inside the action returned before the action
        // closed the dialog: end it so the test fails instead of hanging.
        if (::testing::Test::HasFatalFailure() && dialog.isVisible())
            dialog.reject();
    });
    return dialog.exec();
}

std::unique_ptr<WaveFileReader> openWave(const std::string& path) {
    auto reader = std::make_unique<WaveFileReader>();
    auto file = std::make_unique<File>(path, File::Access::Read, File::Share::DenyWrite,
                                       File::Disposition::OpenExisting);
    if (!reader->attach(std::make_unique<FileByteStream>(std::move(file))))
        throw std::runtime_error("not a WAV file: " + path);
    return reader;
}

std::int32_t GatedTrack::read(void* buffer, std::int32_t byteCount) {
    if (!entered_.load() && tell() >= gateFrame_) {
        entered_.store(true);
        gate_.lock(kInfinite);
    }
    return TrackSegment::read(buffer, byteCount);
}

std::int32_t FailingTrack::read(void* buffer, std::int32_t byteCount) {
    if (tell() >= failFrame_)
        throw FileError(FileError::Cause::HardIO, "/broken/master.wav");
    return TrackSegment::read(buffer, byteCount);
}

void expectDefaultSettings(const QSettings& ini) {
    const std::pair<const char*, int> expected[] = {
        {"SplitAll/sencelevel", 50}, {"SplitAll/sencetime", 10},  {"SplitAll/minimumtime", 10},
        {"SplitAll/trimspace", 1},   {"SplitAll/clickfilter", 0}, {"record/wait", 0},
        {"record/waitlevel", 50},    {"record/autostop", 0},      {"record/autostoplevel", 50},
        {"record/autostoptime", 50}, {"record/overloadstop", 0},  {"record/overloadstoplevel", 90},
        {"shotplay/time", 10},
    };
    for (const auto& [key, value] : expected) {
        EXPECT_TRUE(ini.contains(key)) << key;
        EXPECT_EQ(ini.value(key).toInt(), value) << key;
    }
}

} // namespace sundra::uitest
