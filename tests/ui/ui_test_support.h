#pragma once
// Helpers shared by the window tests: the temporary settings folder, message
// boxes captured as texts, and waiting on the window thread for a condition
// while events (posted calls, timers) keep being processed.

#include "audio/waitable.h"
#include "core/track_segment.h"
#include "core/wave_file.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

class QDialog;

class QSettings;

namespace sundra::uitest {

void setSettingsFolder(const QString& folder);
// Where QSettings writes during the tests.
QString settingsFolder();

// Checks that ini holds every one of the program's 12 settings with its default.
void expectDefaultSettings(const QSettings& ini);

// The sink the tests run with: every message box text goes to standard error.
void installDefaultMessageSink();

// Collects the texts of message boxes while it lives.
class MessageCapture {
public:
    MessageCapture();
    ~MessageCapture();
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    const QStringList& texts() const { return texts_; }

private:
    QStringList texts_;
};

// A part of a test that runs in a process of its own, one the test can kill:
// the test starts this program again with "--child", the routine's name, a
// folder for the child's settings and the routine's arguments; main then runs
// the routine (on the window thread, with a QApplication) instead of the tests
// and exits with what it returns.
using ChildRoutine = int (*)(const QStringList& arguments);
// For a namespace-scope constant: returns true.
bool registerChildRoutine(const char* name, ChildRoutine routine);
// Null for a name nobody registered.
ChildRoutine childRoutine(const QString& name);

// Processes events until condition holds or timeoutMs passed; returns condition().
// The time-out only guards against a hang: it is not what a test measures.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 20000);

// Runs action on the window thread once dialog's modal loop is running, then
// runs the dialog; returns exec's result.
int execWith(QDialog& dialog, std::function<void()> action);

// Opens a WAV file for reading, others denied write (as the document does).
std::unique_ptr<WaveFileReader> openWave(const std::string& path);

// A track that stops its worker at the first read from gateFrame on (frames of
// the track) until the test opens the gate, so a test can act while the worker
// is known to be at that point.
class GatedTrack : public TrackSegment {
public:
    GatedTrack(SampleStream& parent, std::int32_t start, std::int32_t end, std::int32_t gateFrame)
        : TrackSegment(parent, start, end), gateFrame_(gateFrame) {}
    std::int32_t read(void* buffer, std::int32_t byteCount) override;

    bool entered() const { return entered_.load(); }
    void open() { gate_.set(); }

private:
    std::int32_t gateFrame_;
    std::atomic<bool> entered_{false};
    KernelEvent gate_{false, true};
};

// A track whose reads from failFrame on throw the file error of a broken disk.
class FailingTrack : public TrackSegment {
public:
    FailingTrack(SampleStream& parent, std::int32_t failFrame)
        : TrackSegment(parent), failFrame_(failFrame) {}
    std::int32_t read(void* buffer, std::int32_t byteCount) override;

private:
    std::int32_t failFrame_;
};

} // namespace sundra::uitest
