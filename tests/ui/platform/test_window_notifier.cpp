// WindowNotifier and the message-box error reporter: a worker's post runs the
// handler later on the window thread and never waits for it; a missing target
// is reported; errors of workers become message boxes on the window thread.

#include "audio/error_reporter.h"
#include "tests/ui/ui_test_support.h"
#include "ui/platform/message_box_reporter.h"
#include "ui/platform/window_notifier.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

struct Received {
    std::uint32_t message;
    std::uint32_t wParam;
    std::int64_t lParam;
    QThread* thread;
};

class RecordingTarget : public QObject, public MessageTarget {
public:
    void handleMessage(std::uint32_t message, std::uint32_t wParam, std::int64_t lParam) override {
        received.push_back({message, wParam, lParam, QThread::currentThread()});
    }
    std::vector<Received> received;
};

using sundra::uitest::waitUntil;

TEST(WindowNotifier, PostFromAWorkerRunsTheHandlerLaterOnTheWindowThread) {
    RecordingTarget target;
    WindowNotifier notifier(&target, &target, 0x0111, 1, 5);
    std::atomic<bool> posted{false};
    std::thread worker([&] { posted = notifier.post() && notifier.post(2, -7); });
    worker.join(); // returns without the window thread having done anything
    EXPECT_TRUE(posted);
    EXPECT_TRUE(target.received.empty());

    ASSERT_TRUE(waitUntil([&] { return target.received.size() == 2; }));
    EXPECT_EQ(target.received[0].message, 0x0111u);
    EXPECT_EQ(target.received[0].wParam, 1u);
    EXPECT_EQ(target.received[0].lParam, 5);
    EXPECT_EQ(target.received[1].wParam, 2u);
    EXPECT_EQ(target.received[1].lParam, -7);
    EXPECT_EQ(target.received[0].thread, QThread::currentThread());
}

TEST(WindowNotifier, AMissingOrDestroyedTargetIsReported) {
    WindowNotifier none(nullptr, nullptr, 0x0111);
    EXPECT_FALSE(none.post());
    EXPECT_EQ(none.send(), -1);

    auto target = std::make_unique<RecordingTarget>();
    WindowNotifier notifier(target.get(), target.get(), 0x0400);
    EXPECT_TRUE(notifier.post(1, 0));
    target.reset(); // the queued call goes with its target
    QCoreApplication::processEvents();
    EXPECT_FALSE(notifier.post(1, 0));
    EXPECT_EQ(notifier.send(1, 0), -1);
}

TEST(WindowNotifier, SendOnTheWindowThreadRunsTheHandlerAtOnce) {
    RecordingTarget target;
    WindowNotifier notifier(&target, &target, 0x0401, 3, 4);
    EXPECT_EQ(notifier.send(), 0);
    ASSERT_EQ(target.received.size(), 1u);
    EXPECT_EQ(target.received[0].wParam, 3u);
}

TEST(MessageBoxErrorReporter, AWorkersErrorIsShownOnTheWindowThreadWithoutWaiting) {
    sundra::uitest::MessageCapture capture;
    installMessageBoxErrorReporter();
    std::thread worker([] { sundra::reportError("Access to /x/a.wav was denied."); });
    worker.join(); // the reporter returned before the window thread saw anything
    EXPECT_TRUE(capture.texts().isEmpty());
    ASSERT_TRUE(waitUntil([&] { return !capture.texts().isEmpty(); }));
    EXPECT_EQ(capture.texts(), QStringList{"Access to /x/a.wav was denied."});

    showMessage(nullptr, "file can not opened");
    EXPECT_EQ(capture.texts().back(), "file can not opened");
    sundra::setErrorReporter({});
}

} // namespace
