#include "SimLibrary.h"

#include "core/Log.h"
#include "devices/CorvanaDriver.h"
#include "devices/DMXInput.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

TEST(DMXInput, FindsTheDriverLibraryBesideTheExecutable)
{
    LogCapture log;
    SimLibrary sim({ { "CORVANA_SIM_RATE", "0" } });
    CDMXInput input;
    EXPECT_TRUE(input.IsAvailable()) << log.Dump();
    EXPECT_TRUE(log.Contains("Corvana#1 driver successfully initialized.", LOG_LEVEL_INFO));
    EXPECT_EQ(input.GetDriver().m_iSetting2, 1);
    EXPECT_EQ(input.GetDriver().m_iSetting3, 0);
    input.Poll();
    EXPECT_EQ(input.GetStatus(), "Corvana#1 (NO DATA)");
    EXPECT_EQ(input.GetValues(), (std::array<std::uint8_t, 512> {}));
}

TEST(DMXInput, PollLeavesTheLastRecordOfTheBatchAndAsksForOneMore)
{
    SimLibrary sim({ { "CORVANA_SIM_RECORDS", "3" }, { "CORVANA_SIM_LENGTH", "512" } });
    CDMXInput input(SimLibrary::Path());
    ASSERT_TRUE(input.IsAvailable());
    ASSERT_TRUE(WaitUntil([&] { return sim.Calls("GetFrame:delivered") >= 1; }));

    input.Poll();
    // Records 1..3 of the ramp: channel c of record n holds n + c - 1.
    for (std::size_t c = 0; c < 512; ++c)
        ASSERT_EQ(input.GetValues()[c], static_cast<std::uint8_t>(3 + c)) << "channel " << c + 1;

    // One wake-up, one fetch: the new batch then waits for the next Poll.
    ASSERT_TRUE(WaitUntil([&] { return sim.Calls("GetFrame:delivered") >= 2; }));
    EXPECT_EQ(sim.Calls("GetFrame"), 2);
    input.Poll();
    EXPECT_EQ(input.GetValues()[0], 6);
}

TEST(DMXInput, WithoutADriverStaysUnavailableAndZero)
{
    LogCapture log;
    CDMXInput input("/nonexistent/corvana.so");
    EXPECT_FALSE(input.IsAvailable());
    input.Poll();
    EXPECT_EQ(input.GetStatus(), "Corvana#1 (Not found)");
    EXPECT_EQ(input.GetValues(), (std::array<std::uint8_t, 512> {}));
    EXPECT_GE(log.CountErrors(), 1);
}
