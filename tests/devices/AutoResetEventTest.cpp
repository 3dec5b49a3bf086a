#include "devices/AutoResetEvent.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(AutoResetEvent, ASetWakesOneWaitAndThenResets)
{
    CAutoResetEvent event;
    ASSERT_TRUE(event.IsValid());
    EXPECT_FALSE(event.Wait(0));
    event.Set();
    event.Set(); // setting a set event changes nothing
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.Wait(0));
}

TEST(AutoResetEvent, WaitAnyResetsOnlyTheEventThatWoke)
{
    CAutoResetEvent first;
    CAutoResetEvent second;
    EXPECT_EQ(CAutoResetEvent::WaitAny(first, second, 0), -1);

    second.Set();
    EXPECT_EQ(CAutoResetEvent::WaitAny(first, second, 0), 1);

    first.Set();
    second.Set();
    EXPECT_EQ(CAutoResetEvent::WaitAny(first, second, 0), 0);
    EXPECT_EQ(CAutoResetEvent::WaitAny(first, second, 0), 1);
    EXPECT_EQ(CAutoResetEvent::WaitAny(first, second, 0), -1);
}

TEST(AutoResetEvent, WakesAWaiterOnAnotherThread)
{
    CAutoResetEvent first;
    CAutoResetEvent second;
    std::atomic<int> woke { -2 };
    std::thread waiter([&] { woke = CAutoResetEvent::WaitAny(first, second, 10000); });
    second.Set();
    waiter.join();
    EXPECT_EQ(woke, 1);
}
