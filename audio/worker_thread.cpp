#include "audio/worker_thread.h"

#include "audio/error_reporter.h"

#include <cstdio>
#include <exception>
#include <string>
#include <utility>

namespace sundra {

namespace {

// The value a run counts as when an exception escaped it: a failure that no
// ordinary result of our tasks uses.
constexpr int kFailedRunResult = -1;

constexpr const char* kUnknownErrorText = "An unknown error stopped the background work.";

// Calls work and returns the text of any exception that escaped it (empty when none did).
template <typename Work> std::string textOfEscapedException(Work&& work) {
    try {
        work();
        return {};
    } catch (const std::exception& error) {
        const char* text = error.what();
        return (text != nullptr && *text != '\0') ? text : kUnknownErrorText;
    } catch (...) {
        return kUnknownErrorText;
    }
}

// A reporter that fails itself must not end the process from a worker thread.
void reportFromWorker(const std::string& text) noexcept {
    try {
        reportError(text);
    } catch (...) {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
}

} // namespace

WorkerThread::WorkerThread(std::unique_ptr<Notifier> completion)
    : completion_(std::move(completion)) {}

WorkerThread::~WorkerThread() {
    if (requestStop()) {
        wait(kInfinite);
    }
}

bool WorkerThread::start(WorkerTask& task) {
    if (!finished_.lock(0)) {
        return false; // a second thread would share the stop event with the first
    }
    task_ = &task;
    if (!task.begin()) {
        return false;
    }
    std::lock_guard<std::mutex> guard(joinMutex_);
    if (thread_.joinable()) {
        thread_.join(); // the previous run has ended; its thread is only exiting
    }
    // Reset here rather than on the new thread: a stop requested as soon as start
    // returns must not be wiped out by a reset that happens later.
    stopEvent_.reset();
    finished_.reset();
    try {
        thread_ = std::thread([this, &task] { threadProcedure(task); });
    } catch (...) {
        finished_.set();
        stopEvent_.set();
        throw;
    }
    return true;
}

bool WorkerThread::requestStop() {
    return stopEvent_.set();
}

bool WorkerThread::wait(std::uint32_t timeoutMs) {
    if (!finished_.lock(timeoutMs)) {
        return false;
    }
    if (timeoutMs != 0) {
        joinEndedThread();
    }
    return true;
}

void WorkerThread::joinEndedThread() {
    std::lock_guard<std::mutex> guard(joinMutex_);
    if (thread_.joinable()) {
        thread_.join();
    }
}

void WorkerThread::threadProcedure(WorkerTask& task) {
    int result = kFailedRunResult;
    // end() runs only after a run that returned: a run that failed has no result to end with.
    std::string error = textOfEscapedException([&] {
        result = task.run(stopEvent_);
        task.end(result);
    });
    // No lock of this object is held here, so the owner may join while the
    // report is being shown.
    if (!error.empty()) {
        reportFromWorker(error);
    }
    if (completion_) {
        error = textOfEscapedException(
            [&] { completion_->post(static_cast<std::uint32_t>(result), 0); });
        if (!error.empty()) {
            reportFromWorker(error);
        }
    }
    finished_.set();
}

} // namespace sundra
