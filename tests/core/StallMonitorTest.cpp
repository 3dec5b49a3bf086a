#include "core/StallMonitor.h"

#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

// Everything the monitor wrote, read back from a memory stream.
struct MemoryOut
{
    char* data = nullptr;
    size_t size = 0;
    std::FILE* file = open_memstream(&data, &size);
    ~MemoryOut()
    {
        std::fclose(file);
        std::free(data);
    }
    std::string Text()
    {
        std::fflush(file);
        return std::string(data, size);
    }
};

TEST(StallMonitorTest, ABlockedEventLoopIsReportedWithItsLengthAndTheWorstAtTheEnd)
{
    using namespace std::chrono_literals;
    MemoryOut out;
    {
        CStallMonitor monitor(100, out.file);
        QTimer::singleShot(0, [] { std::this_thread::sleep_for(400ms); });
        ASSERT_TRUE(WaitFor([&] { return monitor.GetStallCount() > 0; }, 10000));
        // At least the block itself; a slow machine may add to it but never take from it.
        EXPECT_GE(monitor.GetWorstMs(), 400 - CStallMonitor::kTickMs);
        EXPECT_LT(monitor.GetWorstMs(), 10000);
        const std::string text = out.Text();
        EXPECT_EQ(text.rfind("stall-monitor: blocked ", 0), 0u) << text;
        EXPECT_NE(text.find(" ms until "), std::string::npos) << text;
    }
    EXPECT_NE(out.Text().find("stall-monitor: worst "), std::string::npos) << out.Text();
}

TEST(StallMonitorTest, OnlyAThresholdInMillisecondsInTheEnvironmentMakesOne)
{
    ::unsetenv(CStallMonitor::kEnvironment);
    EXPECT_EQ(CStallMonitor::FromEnvironment(), nullptr);
    for (const char* bad : { "", "0", "-5", "20ms", "99999999999", "60001" }) {
        ::setenv(CStallMonitor::kEnvironment, bad, 1);
        EXPECT_EQ(CStallMonitor::FromEnvironment(), nullptr) << bad;
    }
    ::setenv(CStallMonitor::kEnvironment, "25", 1);
    EXPECT_NE(CStallMonitor::FromEnvironment(), nullptr);
    ::unsetenv(CStallMonitor::kEnvironment);
}

} // namespace
