#pragma once
// Background work: a WorkerTask runs on a WorkerThread, which owns the thread and
// a manual-reset stop event. The owner (window thread) starts, requests a stop,
// polls wait(0) and joins with wait(kInfinite); the task polls the stop event
// between units of work. ThreadedTask is a task that owns its own thread (the
// base of the worker dialogs).
//
// Threads: start, requestStop, wait and the destructor are the owner's; begin is
// called on the owner's thread, run and end on the worker thread.

#include "audio/notifier.h"
#include "audio/waitable.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace sundra {

class WorkerTask {
public:
    virtual ~WorkerTask() = default;
    // Called by start before any thread exists; false refuses the start.
    virtual bool begin() { return true; }
    // Called on the worker thread with run's result (not when run threw); the
    // return value is unused.
    virtual int end(int result) { return result; }
    // The work. Poll stopEvent.lock(0) between units and return soon after true.
    virtual int run(Event& stopEvent) = 0;
};

class WorkerThread {
public:
    // completion is posted (wParam = result, or -1 when run threw) when a run
    // ends; null means nobody listens. An exception that escapes run or end goes
    // to reportError once, on the worker thread.
    explicit WorkerThread(std::unique_ptr<Notifier> completion = nullptr);
    // Requests a stop and joins.
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Runs task on a new thread; false when begin() refused or a run is still
    // in progress (call it only while wait(0) is true). A stop requested as soon
    // as start returns still stops the run.
    bool start(WorkerTask& task);
    bool requestStop();
    // True when no thread was ever started or the run has ended within
    // timeoutMs; kInfinite joins.
    bool wait(std::uint32_t timeoutMs);

private:
    void threadProcedure(WorkerTask& task);
    void joinEndedThread();

    WorkerTask* task_ = nullptr;
    // Signalled: no run in progress, or a stop was requested.
    KernelEvent stopEvent_{true, true};
    std::unique_ptr<Notifier> completion_;
    // The thread of the latest run; joined by the next start, wait or the destructor.
    std::thread thread_;
    // Signalled while no run is in progress; the worker sets it as its last step.
    KernelEvent finished_{true, true};
    std::mutex joinMutex_;
};

// A task that owns its worker thread. A derived class whose run uses its own
// members must stop and join (stopAndJoin) in its destructor, before those
// members go away.
class ThreadedTask : public WorkerTask {
public:
    explicit ThreadedTask(std::unique_ptr<Notifier> completion = nullptr)
        : thread_(std::move(completion)) {}

    WorkerThread& thread() { return thread_; }
    bool startThread() { return thread_.start(*this); }
    void stopAndJoin() {
        thread_.requestStop();
        thread_.wait(kInfinite);
    }

private:
    WorkerThread thread_;
};

} // namespace sundra
