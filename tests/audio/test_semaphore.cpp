#include "audio/semaphore.h"
#include "audio/waitable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

using sundra::kInfinite;
using sundra::Semaphore;

TEST(Semaphore, CountsBetweenZeroAndTheMaximum) {
    Semaphore semaphore(0, 2);
    EXPECT_FALSE(semaphore.acquire(0));
    EXPECT_FALSE(semaphore.acquire(20)) << "a timed acquire on an empty semaphore times out";

    EXPECT_TRUE(semaphore.release());
    EXPECT_TRUE(semaphore.release());
    EXPECT_FALSE(semaphore.release()) << "a release beyond the maximum is refused";
    EXPECT_EQ(semaphore.count(), 2);

    EXPECT_TRUE(semaphore.acquire(0));
    EXPECT_TRUE(semaphore.acquire(kInfinite));
    EXPECT_FALSE(semaphore.acquire(0));
    EXPECT_EQ(semaphore.count(), 0);

    Semaphore full(3, 3);
    EXPECT_FALSE(full.release());
    EXPECT_EQ(full.count(), 3);

    EXPECT_THROW(Semaphore(-1, 2), std::invalid_argument);
    EXPECT_THROW(Semaphore(3, 2), std::invalid_argument);
    EXPECT_THROW(Semaphore(0, 0), std::invalid_argument);
}

TEST(Semaphore, ReleaseWakesAWaitingAcquire) {
    Semaphore semaphore(0, 1);
    std::atomic<bool> acquired{false};
    std::thread waiter([&] { acquired = semaphore.acquire(kInfinite); });
    semaphore.release();
    waiter.join();
    EXPECT_TRUE(acquired);

    std::thread releaser([&] { semaphore.release(); });
    EXPECT_TRUE(semaphore.acquire(60000)); // the limit only guards against a hang
    releaser.join();
}

TEST(Semaphore, ProducersAndConsumersNeverExceedTheMaximum) {
    constexpr int kMaximum = 4;
    constexpr int kItemsPerProducer = 2000;
    Semaphore filled(0, kMaximum);
    std::atomic<int> produced{0};
    std::atomic<int> consumed{0};

    std::vector<std::thread> threads;
    for (int i = 0; i < 2; ++i) {
        threads.emplace_back([&] {
            for (int n = 0; n < kItemsPerProducer;) {
                if (filled.release()) {
                    ++produced;
                    ++n;
                } else {
                    std::this_thread::yield();
                }
                EXPECT_LE(filled.count(), kMaximum);
            }
        });
    }
    threads.emplace_back([&] {
        while (consumed < 2 * kItemsPerProducer) {
            if (filled.acquire(kInfinite)) {
                ++consumed;
            }
        }
    });
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(produced, 2 * kItemsPerProducer);
    EXPECT_EQ(consumed, 2 * kItemsPerProducer);
    EXPECT_EQ(filled.count(), 0);
}
