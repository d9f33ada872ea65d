// The queue that writes the kept cut lists off the window thread: a job not yet
// begun gives way to a newer one of its key, every key's latest job runs, and
// what a job throws reaches the error reporter. Run under ThreadSanitizer too.

#include "audio/error_reporter.h"
#include "audio/latest_job_queue.h"
#include "audio/waitable.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace sundra {
namespace {

TEST(LatestJobQueue, RunsTheLatestJobOfEveryKeyOffTheCallersThread) {
    std::mutex mutex;
    std::vector<std::string> ran;
    std::vector<std::string> reported;
    setErrorReporter([&](const std::string& text) {
        std::lock_guard lock(mutex);
        reported.push_back(text);
    });
    KernelEvent entered(false, true);
    KernelEvent gate(false, true);
    const auto job = [&](const std::string& name) {
        return [&, name] {
            if (name == "a1") { // held until the later jobs are posted
                entered.set();
                gate.lock(kInfinite);
            }
            if (name == "c1")
                throw std::runtime_error("Can't write c");
            std::lock_guard lock(mutex);
            ran.push_back(name);
        };
    };
    {
        auto queue = std::make_unique<LatestJobQueue>();
        queue->post("a", job("a1"));
        ASSERT_TRUE(entered.lock(kInfinite));
        for (const char* name : {"a2", "b1", "c1", "a3", "b2"})
            queue->post(std::string(1, name[0]), job(name));
        gate.set();
        queue->flush();
        {
            std::lock_guard lock(mutex);
            EXPECT_EQ(ran, (std::vector<std::string>{"a1", "a3", "b2"}));
            EXPECT_EQ(reported, std::vector<std::string>{"Can't write c"});
        }
        // What is still pending when the queue goes is done first.
        queue->post("d", job("d1"));
        queue.reset();
    }
    EXPECT_EQ(ran.back(), "d1");
    setErrorReporter({});
}

} // namespace
} // namespace sundra
