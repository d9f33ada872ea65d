#include "audio/latest_job_queue.h"

#include "audio/error_reporter.h"

#include <algorithm>
#include <exception>

namespace sundra {

LatestJobQueue::LatestJobQueue() : thread_([this] { run(); }) {}

LatestJobQueue::~LatestJobQueue() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void LatestJobQueue::post(const std::string& key, std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        const auto same = std::find_if(pending_.begin(), pending_.end(),
                                       [&](const auto& pending) { return pending.first == key; });
        if (same != pending_.end()) {
            same->second = std::move(job);
        } else {
            pending_.emplace_back(key, std::move(job));
        }
    }
    changed_.notify_all();
}

void LatestJobQueue::flush() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return pending_.empty() && !running_; });
}

void LatestJobQueue::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !pending_.empty() || closing_; });
        if (pending_.empty()) {
            return; // closing, and nothing left to do
        }
        std::function<void()> job = std::move(pending_.front().second);
        pending_.erase(pending_.begin());
        running_ = true;
        lock.unlock();
        try {
            job();
        } catch (const std::exception& error) {
            reportError(error.what());
        } catch (...) {
            reportError("exception!!");
        }
        lock.lock();
        running_ = false;
        changed_.notify_all();
    }
}

} // namespace sundra
