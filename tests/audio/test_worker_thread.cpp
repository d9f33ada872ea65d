#include "audio/error_reporter.h"
#include "audio/worker_thread.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace sundra;
using ::testing::ElementsAre;

namespace {

// Records what the completion notifier was posted.
class RecordingNotifier : public Notifier {
public:
    explicit RecordingNotifier(std::vector<std::uint32_t>& posts, std::mutex& mutex)
        : posts_(posts), mutex_(mutex) {}
    bool post(std::uint32_t wParam, std::int64_t lParam) override {
        std::lock_guard<std::mutex> guard(mutex_);
        posts_.push_back(lParam == 0 ? wParam : 0xDEAD);
        return true;
    }

private:
    std::vector<std::uint32_t>& posts_;
    std::mutex& mutex_;
};

// A completion notifier and what it saw, owned by the test.
struct Completions {
    std::mutex mutex;
    std::vector<std::uint32_t> posts;
    std::unique_ptr<Notifier> notifier() {
        return std::make_unique<RecordingNotifier>(posts, mutex);
    }
    std::vector<std::uint32_t> seen() {
        std::lock_guard<std::mutex> guard(mutex);
        return posts;
    }
};

// A task built from a run function, counting its calls.
class FunctionTask : public WorkerTask {
public:
    explicit FunctionTask(std::function<int(Event&)> body, bool agree = true)
        : body_(std::move(body)), agree_(agree) {}
    bool begin() override {
        ++begins;
        return agree_;
    }
    int run(Event& stopEvent) override {
        ++runs;
        return body_(stopEvent);
    }
    int end(int result) override {
        ++ends;
        endResult = result;
        if (endThrows) {
            throw std::runtime_error("end failed");
        }
        return result;
    }

    std::atomic<int> begins{0};
    std::atomic<int> runs{0};
    std::atomic<int> ends{0};
    std::atomic<int> endResult{0};
    bool endThrows = false;

private:
    std::function<int(Event&)> body_;
    bool agree_;
};

// Collects reports for the length of a test and restores standard error after it.
class ErrorReports : public ::testing::Test {
protected:
    void SetUp() override {
        setErrorReporter([this](const std::string& text) {
            std::lock_guard<std::mutex> guard(mutex_);
            texts_.push_back(text);
        });
    }
    void TearDown() override { setErrorReporter({}); }
    std::vector<std::string> texts() {
        std::lock_guard<std::mutex> guard(mutex_);
        return texts_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> texts_;
};

} // namespace

TEST(WorkerThread, WaitAnswersIdleBeforeDuringAndAfterARun) {
    Completions completions;
    WorkerThread worker(completions.notifier());
    EXPECT_TRUE(worker.wait(0)) << "never started";
    EXPECT_TRUE(worker.wait(kInfinite));

    KernelEvent running(false, true);
    KernelEvent proceed(false, true);
    std::atomic<Event*> stopSeenByRun{nullptr};
    FunctionTask task([&](Event& stop) {
        stopSeenByRun = &stop;
        running.set();
        proceed.lock(kInfinite);
        return 7;
    });
    ASSERT_TRUE(worker.start(task));
    ASSERT_TRUE(running.lock(kInfinite));
    EXPECT_FALSE(worker.wait(0)) << "run is active";
    EXPECT_FALSE(worker.wait(10)) << "run is active";
    EXPECT_FALSE(stopSeenByRun.load()->lock(0)) << "the stop event is reset while running";

    proceed.set();
    EXPECT_TRUE(worker.wait(kInfinite));
    EXPECT_TRUE(worker.wait(0)) << "ended by itself, no stop requested";
    EXPECT_FALSE(stopSeenByRun.load()->lock(0))
        << "a run that ends by itself leaves the stop event alone";
    EXPECT_EQ(task.ends, 1);
    EXPECT_EQ(task.endResult, 7);
    EXPECT_THAT(completions.seen(), ElementsAre(7u)) << "posted before wait answered true";

    // A run that returns at once is seen as ended by polling alone.
    FunctionTask quick([](Event&) { return 3; });
    ASSERT_TRUE(worker.start(quick));
    EXPECT_TRUE(worker.wait(60000)); // the limit only guards against a hang
    EXPECT_TRUE(worker.wait(0));
    EXPECT_THAT(completions.seen(), ElementsAre(7u, 3u));
}

TEST(WorkerThread, DestructionRequestsAStopAndJoins) {
    // Finished: destruction has nothing to wait for and runs nothing again.
    FunctionTask quick([](Event&) { return 0; });
    {
        WorkerThread worker;
        ASSERT_TRUE(worker.start(quick));
        ASSERT_TRUE(worker.wait(kInfinite));
    }
    EXPECT_EQ(quick.runs, 1);
    EXPECT_EQ(quick.ends, 1);

    // Running: destruction returns only after run saw the stop and returned.
    KernelEvent running(false, true);
    std::atomic<bool> sawStop{false};
    std::atomic<bool> returned{false};
    FunctionTask looping([&](Event& stop) {
        running.set();
        while (!stop.lock(0)) {
            std::this_thread::yield();
        }
        sawStop = true;
        for (int i = 0; i < 1000; ++i) {
            std::this_thread::yield(); // give a destructor that does not join time to return early
        }
        returned = true;
        return 0;
    });
    {
        WorkerThread worker;
        ASSERT_TRUE(worker.start(looping));
        ASSERT_TRUE(running.lock(kInfinite));
    }
    EXPECT_TRUE(sawStop);
    EXPECT_TRUE(returned);
    EXPECT_EQ(looping.ends, 1);
}

TEST(WorkerThread, BeginRefusingMeansNoThread) {
    Completions completions;
    WorkerThread worker(completions.notifier());
    FunctionTask refusing([](Event&) { return 1; }, false);
    EXPECT_FALSE(worker.start(refusing));
    EXPECT_TRUE(worker.wait(0));
    EXPECT_TRUE(worker.wait(kInfinite));
    EXPECT_EQ(refusing.begins, 1);
    EXPECT_EQ(refusing.runs, 0);
    EXPECT_EQ(refusing.ends, 0);
    EXPECT_TRUE(completions.seen().empty());

    // The refused start leaves the thread usable.
    FunctionTask agreeing([](Event&) { return 2; });
    EXPECT_TRUE(worker.start(agreeing));
    EXPECT_TRUE(worker.wait(kInfinite));
    EXPECT_THAT(completions.seen(), ElementsAre(2u));
}

TEST(WorkerThread, StartWhileRunningIsRefused) {
    WorkerThread worker;
    KernelEvent running(false, true);
    FunctionTask first([&](Event& stop) {
        running.set();
        stop.lock(kInfinite);
        return 0;
    });
    FunctionTask second([](Event&) { return 0; });
    ASSERT_TRUE(worker.start(first));
    ASSERT_TRUE(running.lock(kInfinite));
    EXPECT_FALSE(worker.start(second));
    EXPECT_EQ(second.begins, 0);
    worker.requestStop();
    EXPECT_TRUE(worker.wait(kInfinite));
    EXPECT_EQ(second.runs, 0);
}

using WorkerThreadErrors = ErrorReports;

TEST_F(WorkerThreadErrors, AnExceptionIsReportedOnceAndTheThreadStillEnds) {
    Completions completions;
    WorkerThread worker(completions.notifier());

    // From run: reported with its text, end is skipped, completion carries the failure.
    FunctionTask throwing([](Event&) -> int { throw std::runtime_error("disk full"); });
    ASSERT_TRUE(worker.start(throwing));
    EXPECT_TRUE(worker.wait(kInfinite));
    EXPECT_THAT(texts(), ElementsAre("disk full"));
    EXPECT_EQ(throwing.ends, 0);
    EXPECT_THAT(completions.seen(), ElementsAre(0xFFFFFFFFu));

    // Something that is not a standard exception gets a fixed text.
    FunctionTask throwingInt([](Event&) -> int { throw 42; });
    ASSERT_TRUE(worker.start(throwingInt));
    EXPECT_TRUE(worker.wait(kInfinite));
    ASSERT_EQ(texts().size(), 2u);
    EXPECT_FALSE(texts()[1].empty());

    // From end: reported, and the completion still carries run's result.
    FunctionTask endThrows([](Event&) { return 5; });
    endThrows.endThrows = true;
    ASSERT_TRUE(worker.start(endThrows));
    EXPECT_TRUE(worker.wait(kInfinite));
    ASSERT_EQ(texts().size(), 3u);
    EXPECT_EQ(texts()[2], "end failed");
    EXPECT_THAT(completions.seen(), ElementsAre(0xFFFFFFFFu, 0xFFFFFFFFu, 5u));
    EXPECT_TRUE(worker.wait(0));
}

TEST_F(WorkerThreadErrors, TheReporterRunsWhileTheOwnerCanStillUseTheThread) {
    // The reporter is called on the worker with no lock of the thread held: the
    // owner's calls made meanwhile neither block nor deadlock.
    WorkerThread worker;
    std::atomic<bool> idleDuringReport{true};
    std::atomic<bool> stopAccepted{false};
    setErrorReporter([&](const std::string&) {
        idleDuringReport = worker.wait(0);
        stopAccepted = worker.requestStop();
        setErrorReporter({}); // installing from inside a report must not deadlock
    });
    FunctionTask throwing([](Event&) -> int { throw std::runtime_error("bad block"); });
    ASSERT_TRUE(worker.start(throwing));
    EXPECT_TRUE(worker.wait(kInfinite));
    EXPECT_FALSE(idleDuringReport) << "a run counts as active until its report returned";
    EXPECT_TRUE(stopAccepted);
}

TEST(WorkerThread, AStopRequestedRightAfterStartStopsTheRun) {
    // run waits at a gate that opens only after the stop was requested, then
    // polls once: the thread's own start-up must not have undone the request.
    WorkerThread worker;
    for (int round = 0; round < 50; ++round) {
        KernelEvent gate(false, true);
        std::atomic<int> firstPoll{-1};
        FunctionTask task([&](Event& stop) {
            gate.lock(kInfinite);
            firstPoll = stop.lock(0) ? 1 : 0;
            return 0;
        });
        ASSERT_TRUE(worker.start(task));
        EXPECT_TRUE(worker.requestStop());
        gate.set();
        ASSERT_TRUE(worker.wait(kInfinite));
        ASSERT_EQ(firstPoll, 1) << "round " << round;
    }
}

TEST(WorkerThread, RestartsAfterAFinishedRun) {
    Completions completions;
    WorkerThread worker(completions.notifier());
    std::atomic<int> sawStopAtFirstPoll{0};
    FunctionTask task([&](Event& stop) {
        sawStopAtFirstPoll += stop.lock(0) ? 1 : 0;
        return 1;
    });
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(worker.start(task)) << "round " << round;
        // Only the idle poll, never a join, before the next start.
        while (!worker.wait(0)) {
            std::this_thread::yield();
        }
    }
    EXPECT_EQ(task.runs, 20);
    EXPECT_EQ(task.ends, 20);
    EXPECT_EQ(sawStopAtFirstPoll, 0) << "each start clears the previous stop";
    EXPECT_EQ(completions.seen().size(), 20u);

    // A run stopped by its owner can be followed by a fresh one.
    worker.requestStop();
    ASSERT_TRUE(worker.start(task));
    ASSERT_TRUE(worker.wait(kInfinite));
    EXPECT_EQ(sawStopAtFirstPoll, 0);
}

namespace {

// A dialog-like task that owns its thread and keeps state its run uses.
class CountingTask : public ThreadedTask {
public:
    ~CountingTask() override { stopAndJoin(); }
    int run(Event& stopEvent) override {
        running.set();
        while (!stopEvent.lock(0)) {
            ++units;
            std::this_thread::yield();
        }
        sawStop = true;
        return 0;
    }
    KernelEvent running{false, true};
    std::atomic<long> units{0};
    std::atomic<bool> sawStop{false};
};

} // namespace

TEST(ThreadedTask, StopAndJoinEndsItsOwnRun) {
    CountingTask task;
    EXPECT_TRUE(task.thread().wait(0));
    ASSERT_TRUE(task.startThread());
    ASSERT_TRUE(task.running.lock(kInfinite));
    EXPECT_FALSE(task.thread().wait(0));
    task.stopAndJoin();
    EXPECT_TRUE(task.thread().wait(0));
    EXPECT_TRUE(task.sawStop);

    // Destroying it while running joins before its members go away.
    auto running = std::make_unique<CountingTask>();
    ASSERT_TRUE(running->startThread());
    ASSERT_TRUE(running->running.lock(kInfinite));
    running.reset();
}

TEST(ErrorReporter, DefaultsToStandardErrorAndCanBeReplacedWhileWorkersReport) {
    ::testing::internal::CaptureStderr();
    reportError("file can not opened");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "file can not opened\n");

    std::atomic<int> counted{0};
    std::atomic<bool> done{false};
    std::thread reporting([&] {
        while (!done) {
            reportError("busy");
        }
    });
    ::testing::internal::CaptureStderr();
    for (int i = 0; i < 200; ++i) {
        setErrorReporter([&](const std::string& text) { counted += text == "busy" ? 1 : 0; });
        setErrorReporter({});
    }
    setErrorReporter([&](const std::string& text) { counted += text == "busy" ? 1 : 0; });
    const int before = counted;
    while (counted == before) {
        std::this_thread::yield();
    }
    done = true;
    reporting.join();
    setErrorReporter({});
    ::testing::internal::GetCapturedStderr();
    EXPECT_GT(counted, 0);
}
