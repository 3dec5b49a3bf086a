#include "SimLibrary.h"

#include "core/Log.h"
#include "devices/CorvanaDriver.h"
#include "devices/CorvanaLibrary.h"
#include "devices/DMXInput.h"
#include "dmx/DmxControl.h"
#include "support/LogCapture.h"
#include "support/RecordingTarget.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

TEST(DMXInput, LoadsTheDriverLibraryTheVariableNames)
{
    LogCapture log;
    SimLibrary sim({ { "CORVANA_SIM_RATE", "0" } });
    ::setenv(CCorvanaLibrary::kPathVariable, SimLibrary::Path().c_str(), 1);
    CDMXInput input;
    ::unsetenv(CCorvanaLibrary::kPathVariable);
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

// The device as a desk: the simulated library plays the values of a file, and
// the cues reach the frame through the personality within a few frames.
TEST(DMXInput, DrivesPlayTakeStopAndLevelThroughThePersonality)
{
    const std::string desk = ::testing::TempDir() + "zuvio-desk.txt";
    const auto set = [&](const char* values) {
        const std::string next = desk + ".new";
        std::FILE* file = std::fopen(next.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fputs(values, file);
        std::fclose(file);
        std::rename(next.c_str(), desk.c_str()); // a batch never reads half a file
    };
    set("0,0,0,0,0,255");
    const std::string pattern = "file:" + desk;
    SimLibrary sim({ { "CORVANA_SIM_PATTERN", pattern.c_str() } });
    CDMXInput input(SimLibrary::Path());
    ASSERT_TRUE(input.IsAvailable());
    RecordingTarget frame;
    CDmxControl control(
        &frame, &input, [] { return 0; }, [] { return 3000; });
    control.Start({ CDmxControl::Source::Device, 1, 3 });
    // Where the desk stands at start-up is no cue.
    ASSERT_TRUE(WaitFor([&] { return input.GetValues()[5] == 255; }));
    ASSERT_TRUE(WaitFor([&] { return sim.Calls("GetFrame:delivered") >= 10; }));
    EXPECT_TRUE(frame.messages.empty());

    const std::vector<std::pair<const char*, RecordingTarget::Message>> cues {
        { "0,0,0,20,0,255", { WM_NET_PLAY, 0, 0 } },
        { "0,0,0,120,0,255", { static_cast<unsigned>(ShowCommandId::Take), static_cast<WPARAM>(-1), 0 } },
        { "0,0,0,90,0,255", { WM_NET_STOP, 0, 0 } },
        { "0,0,0,90,255,255", { static_cast<unsigned>(ShowCommandId::VolumeDb), 0, 0 } },
    };
    for (const auto& [values, message] : cues) {
        SCOPED_TRACE(values);
        frame.messages.clear();
        set(values);
        ASSERT_TRUE(WaitFor([&] { return !frame.messages.empty(); }));
        EXPECT_EQ(frame.messages, (std::vector<RecordingTarget::Message> { message }));
    }
    control.Tick();
    EXPECT_NE(control.GetStatus().find("Corvana#1 ("), std::string::npos);
    std::remove(desk.c_str());
}
