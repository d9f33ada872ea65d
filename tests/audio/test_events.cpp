#include "audio/waitable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using sundra::KernelEvent;
using sundra::kInfinite;

TEST(KernelEvent, ManualResetStaysSignalledUntilReset) {
    KernelEvent event(true, true);
    EXPECT_TRUE(event.lock(0));
    EXPECT_TRUE(event.lock(0)) << "a manual-reset event is not consumed by a wait";
    EXPECT_TRUE(event.lock(kInfinite));
    EXPECT_TRUE(event.unlock());

    EXPECT_TRUE(event.reset());
    EXPECT_FALSE(event.lock(0));
    EXPECT_FALSE(event.lock(20)) << "a timed wait on a reset event times out";

    // One set releases every waiter.
    std::atomic<int> released{0};
    std::thread first([&] { released += event.lock(kInfinite) ? 1 : 0; });
    std::thread second([&] { released += event.lock(kInfinite) ? 1 : 0; });
    EXPECT_TRUE(event.set());
    first.join();
    second.join();
    EXPECT_EQ(released, 2);
    EXPECT_TRUE(event.lock(0));
}

TEST(KernelEvent, AutoResetReleasesOneWaiterPerSet) {
    KernelEvent event(true, false);
    EXPECT_TRUE(event.lock(0));
    EXPECT_FALSE(event.lock(0)) << "the first wait consumes an auto-reset event";

    std::atomic<int> released{0};
    std::thread first([&] { released += event.lock(kInfinite) ? 1 : 0; });
    std::thread second([&] { released += event.lock(kInfinite) ? 1 : 0; });
    event.set();
    while (released == 0) {
        std::this_thread::yield();
    }
    EXPECT_FALSE(event.lock(0)) << "the released waiter consumed the set";
    EXPECT_EQ(released, 1);
    event.set();
    first.join();
    second.join();
    EXPECT_EQ(released, 2);
    EXPECT_FALSE(event.lock(0));
}

TEST(KernelEvent, TimedWaitReturnsTrueWhenSetInTime) {
    KernelEvent event(false, true);
    std::thread setter([&] { event.set(); });
    // The limit only guards against a hang; the set comes at once.
    EXPECT_TRUE(event.lock(60000));
    setter.join();

    KernelEvent never(false, true);
    EXPECT_FALSE(never.lock(10));
    EXPECT_FALSE(never.lock(50));
}

TEST(KernelEvent, PulseReleasesWaitersAndLeavesTheEventReset) {
    for (bool manualReset : {true, false}) {
        SCOPED_TRACE(manualReset ? "manual reset" : "auto reset");
        KernelEvent event(true, manualReset);
        EXPECT_TRUE(event.pulse());
        EXPECT_FALSE(event.lock(0)) << "pulse leaves the event non-signalled";

        std::atomic<bool> released{false};
        std::thread waiter([&] { released = event.lock(kInfinite); });
        // The waiter may not be waiting yet when a pulse comes; it is only
        // released by a pulse that finds it waiting, so pulse until then.
        while (!released) {
            event.pulse();
            std::this_thread::yield();
        }
        waiter.join();
        EXPECT_FALSE(event.lock(0));
        EXPECT_FALSE(event.lock(10)) << "a pulse does not release later waiters";
    }
}
