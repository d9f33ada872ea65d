#pragma once
// LatestJobQueue: work that only its latest version is worth doing, done on a
// thread of its own so that the caller never waits for it. Each job has a key
// (for the kept cut lists, the list's path); a job posted while an earlier one
// of the same key has not begun replaces it, so a burst of edits costs one or
// two writes, not one per edit. Jobs of different keys all run, one at a time,
// in the order their keys were first posted.
//
// post() and flush() may be called from any thread. What a job throws goes to
// the error reporter (error_reporter.h) and the queue goes on.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace sundra {

class LatestJobQueue {
public:
    LatestJobQueue();
    // Runs what is still pending, then ends the thread.
    ~LatestJobQueue();
    LatestJobQueue(const LatestJobQueue&) = delete;
    LatestJobQueue& operator=(const LatestJobQueue&) = delete;

    void post(const std::string& key, std::function<void()> job);
    // Returns once every job posted so far has run (or was replaced by one
    // that has): before a document goes away, and at exit.
    void flush();

private:
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::pair<std::string, std::function<void()>>> pending_;
    bool running_ = false;
    bool closing_ = false;
    std::thread thread_;
};

} // namespace sundra
