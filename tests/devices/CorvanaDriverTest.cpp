#include "SimLibrary.h"

#include "core/Log.h"
#include "devices/CorvanaDriver.h"
#include "devices/CorvanaLibrary.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdlib.h>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string Status(CInputDriver& driver)
{
    char text[128];
    EXPECT_EQ(driver.GetStatusText(text, sizeof text, 0), 1);
    return text;
}

// Waits until the thread has fetched `batches` batches in all.
bool WaitForBatches(const SimLibrary& sim, int batches)
{
    return WaitUntil([&] { return sim.Calls("GetFrame:delivered") >= batches; });
}

} // namespace

TEST(CorvanaDriver, StartsUpWithItsLogLinesAndShutsDownCleanly)
{
    LogCapture log;
    SimLibrary sim({ { "CORVANA_SIM_RATE", "0" } });
    {
        CCorvanaDriver driver(SimLibrary::Path());
        ASSERT_TRUE(driver.Init()) << log.Dump();
        EXPECT_TRUE(driver.IsInitialized());
        EXPECT_EQ(driver.GetUniverseCount(), 1);
        EXPECT_EQ(Status(driver), "Corvana#1 (NO DATA)");
        driver.Close();
        EXPECT_FALSE(driver.IsInitialized());
        EXPECT_EQ(Status(driver), "Corvana#1 (Not found)");
    }
    const std::vector<std::string> expected = {
        "Initializing Corvana#1",
        "Corvana#1: " + SimLibrary::Path()
            + " is the simulated driver (a test and demonstration tool), not a device.",
        "Present devices of type Corvana: 1",
        "DLL: 1.2  Driver: 3.4  Firmware: 5.6",
        "Corvana#1 driver successfully initialized.",
    };
    std::vector<std::string> texts = log.Texts(LOG_LEVEL_INFO);
    std::erase_if(
        texts, [](const std::string& t) { return t.find("realtime priority") != std::string::npos; });
    EXPECT_EQ(texts, expected);
    EXPECT_EQ(log.CountErrors(), 0) << log.Dump();
}

TEST(CorvanaDriver, LibraryWithoutNopFailsWithTheMissingNameAndTheImportFailure)
{
    LogCapture log;
    SimLibrary sim;
    CCorvanaDriver driver(SimLibrary::PathWithoutNop());
    EXPECT_FALSE(driver.Init());
    const std::vector<std::string> errors = {
        "DLL function 'NOP': Not found",
        "CCorvanaDriver: Importing DLL functions failed.",
    };
    EXPECT_EQ(log.Texts(LOG_LEVEL_ERROR), errors);
    EXPECT_EQ(Status(driver), "Corvana#1 (Not found)");

    std::array<std::uint8_t, 512> values {};
    EXPECT_FALSE(driver.ReadFrame(values.data(), 512));
    EXPECT_FALSE(driver.Blink(true)) << "must not call into a library that failed to bind";
}

TEST(CorvanaDriver, MissingLibraryIsLoggedWithItsPath)
{
    LogCapture log;
    CCorvanaDriver driver("/nonexistent/Drivers/Corvana/corvana.so");
    EXPECT_FALSE(driver.Init());
    EXPECT_TRUE(log.Contains(
        "CCorvanaDriver: Failed to open '/nonexistent/Drivers/Corvana/corvana.so'!", LOG_LEVEL_ERROR))
        << log.Dump();
    EXPECT_EQ(Status(driver), "Corvana#1 (Not found)");
}

// The build keeps its simulator apart: without the variable nothing is found,
// and the log says where the maker's library goes.
TEST(CorvanaDriver, WithoutTheMakersLibraryItSaysWhereItGoes)
{
    LogCapture log;
    ::unsetenv(CCorvanaLibrary::kPathVariable);
    const std::string place = CCorvanaLibrary::MakersPath();
    EXPECT_EQ(CCorvanaLibrary::FindDefault(), place);
    EXPECT_NE(place.find("/lib/zuvio/Drivers/Corvana/corvana.so"), std::string::npos) << place;
    CCorvanaDriver driver;
    EXPECT_FALSE(driver.Init());
    EXPECT_EQ(Status(driver), "Corvana#1 (Not found)");
    EXPECT_TRUE(log.Contains(
        "Corvana#1 (Not found): the device maker's driver library goes in " + place, LOG_LEVEL_ERROR))
        << log.Dump();
}

// Installations that keep the maker's library in the working folder go on
// finding it there, before the installed place.
TEST(CorvanaDriver, ACopyInTheWorkingFolderComesFirst)
{
    ::unsetenv(CCorvanaLibrary::kPathVariable);
    const std::filesystem::path before = std::filesystem::current_path();
    char folder[] = "/tmp/corvana-cwd-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::filesystem::path driver = std::filesystem::path(folder) / "Drivers/Corvana/corvana.so";
    std::filesystem::create_directories(driver.parent_path());
    std::filesystem::copy_file(SimLibrary::Path(), driver);
    std::filesystem::current_path(folder);
    const std::string found = CCorvanaLibrary::FindDefault();
    std::filesystem::current_path(before);
    std::filesystem::remove_all(folder);
    EXPECT_EQ(found, driver.string());
}

TEST(CorvanaDriver, TheSimulatorIsLoadedOnlyByNameAndSaysSo)
{
    LogCapture log;
    SimLibrary sim({ { "CORVANA_SIM_RATE", "0" } });
    ::setenv(CCorvanaLibrary::kPathVariable, SimLibrary::Path().c_str(), 1);
    {
        CCorvanaDriver driver;
        EXPECT_TRUE(driver.Init()) << log.Dump();
        EXPECT_TRUE(log.Contains("Corvana#1: " + SimLibrary::Path()
            + " is the simulated driver (a test and demonstration tool), not a device."))
            << log.Dump();
    }
    ::unsetenv(CCorvanaLibrary::kPathVariable);
}

TEST(CorvanaDriver, DeviceIndexMustBeInTheDeviceTable)
{
    LogCapture log;
    {
        SimLibrary sim({ { "CORVANA_SIM_DEVICES", "0" } });
        CCorvanaDriver driver(SimLibrary::Path());
        EXPECT_FALSE(driver.Init());
        EXPECT_TRUE(log.Contains("Present devices of type Corvana: 0", LOG_LEVEL_INFO));
        EXPECT_TRUE(log.Contains("Corvana#1: Not found.", LOG_LEVEL_ERROR)) << log.Dump();
        EXPECT_EQ(Status(driver), "Corvana#1 (Not found)");
    }
    // The index counts living drivers: a second one drives the second device.
    SimLibrary sim({ { "CORVANA_SIM_DEVICES", "1" }, { "CORVANA_SIM_RATE", "0" } });
    CCorvanaDriver first(SimLibrary::Path());
    {
        CCorvanaDriver second(SimLibrary::Path());
        EXPECT_EQ(second.GetDeviceIndex(), 1);
        EXPECT_FALSE(second.Init());
        EXPECT_TRUE(log.Contains("Corvana#2: Not found.", LOG_LEVEL_ERROR)) << log.Dump();
    }
    CCorvanaDriver third(SimLibrary::Path());
    EXPECT_EQ(third.GetDeviceIndex(), 1);
    EXPECT_TRUE(first.Init());
}

TEST(CorvanaDriver, VersionFailureStopsInit)
{
    LogCapture log;
    SimLibrary sim({ { "CORVANA_SIM_FAIL", "GetProduktVersion" } });
    CCorvanaDriver driver(SimLibrary::Path());
    EXPECT_FALSE(driver.Init());
    EXPECT_TRUE(log.Contains("Corvana#1: Could not fetch version data.", LOG_LEVEL_ERROR)) << log.Dump();
    EXPECT_EQ(sim.Calls("GetFrame"), 0) << "no thread may run after a failed Init";
}

TEST(CorvanaDriver, WithoutAReaderOnlyOneBatchIsFetched)
{
    SimLibrary sim({ { "CORVANA_SIM_RECORDS", "1" } });
    CCorvanaDriver driver(SimLibrary::Path());
    ASSERT_TRUE(driver.Init());
    ASSERT_TRUE(WaitForBatches(sim, 1));

    // The thread wakes every 20 ms; give it several chances to fetch again.
    // (A slow machine only makes this window less strict.)
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(sim.Calls("GetFrame"), 1);

    std::array<std::uint8_t, 512> values {};
    EXPECT_TRUE(driver.ReadFrame(values.data(), 512));
    EXPECT_EQ(sim.Calls("GetFrame"), 1) << "reading the last record does not wake the thread yet";
    EXPECT_FALSE(driver.ReadFrame(values.data(), 512));
    EXPECT_TRUE(WaitForBatches(sim, 2));
}

TEST(CorvanaDriver, ShortRecordIsPaddedWithZerosAndLengthIsLimited)
{
    SimLibrary sim({ { "CORVANA_SIM_RECORDS", "2" }, { "CORVANA_SIM_LENGTH", "24" } });
    CCorvanaDriver driver(SimLibrary::Path());
    ASSERT_TRUE(driver.Init());
    ASSERT_TRUE(WaitForBatches(sim, 1));

    std::array<std::uint8_t, 512> values;
    values.fill(0xAA);
    ASSERT_TRUE(driver.ReadFrame(values.data(), 512));
    for (std::size_t i = 0; i < 24; ++i)
        EXPECT_EQ(values[i], 1 + i) << "channel " << i + 1; // record 1 of the ramp
    for (std::size_t i = 24; i < 512; ++i)
        ASSERT_EQ(values[i], 0) << "channel " << i + 1;

    // A request beyond one universe is cut to 512 bytes.
    std::array<std::uint8_t, 600> wide;
    wide.fill(0xAA);
    ASSERT_TRUE(driver.ReadFrame(wide.data(), 600));
    EXPECT_EQ(wide[0], 2);
    EXPECT_EQ(wide[511], 0);
    EXPECT_EQ(wide[512], 0xAA);
    EXPECT_EQ(wide[599], 0xAA);
}

TEST(CorvanaDriver, HeaderNamingMoreThanTheBufferIsCutToIt)
{
    LogCapture log;
    // 12 records of 4000 bytes each: only 8 records exist, and only 8192 bytes.
    SimLibrary sim({ { "CORVANA_SIM_RECORDS", "12" }, { "CORVANA_SIM_LENGTH", "4000" } });
    CCorvanaDriver driver(SimLibrary::Path());
    ASSERT_TRUE(driver.Init());
    ASSERT_TRUE(WaitForBatches(sim, 1));

    std::vector<std::array<std::uint8_t, 512>> records;
    std::array<std::uint8_t, 512> values {};
    while (driver.ReadFrame(values.data(), 512) && records.size() < 20)
        records.push_back(values);
    ASSERT_EQ(records.size(), 8u);

    EXPECT_EQ(records[1][0], 2); // record 2 starts at 4000
    // Record 3 starts at 8000: 192 bytes are in the buffer, the rest is zero.
    EXPECT_EQ(records[2][0], 3);
    EXPECT_EQ(records[2][191], static_cast<std::uint8_t>(3 + 191));
    EXPECT_EQ(records[2][192], 0);
    for (std::size_t r = 3; r < 8; ++r)
        EXPECT_EQ(records[r], (std::array<std::uint8_t, 512> {})) << "record " << r + 1;

    EXPECT_TRUE(WaitForBatches(sim, 2));
    EXPECT_EQ(log.CountErrors(), 1) << "reported once, not per batch: " << log.Dump();
    EXPECT_TRUE(log.Contains("Corvana#1: Frame header names more than the frame buffer holds"));
}

TEST(CorvanaDriver, StatusShowsTheFrameRateThenNoDataOnceFramesStop)
{
    // One batch of three records whose header adds 41, then no data at all.
    SimLibrary sim(
        { { "CORVANA_SIM_RECORDS", "3" }, { "CORVANA_SIM_COUNT", "41" }, { "CORVANA_SIM_BATCHES", "1" } });
    CCorvanaDriver driver(SimLibrary::Path());
    ASSERT_TRUE(driver.Init());
    ASSERT_TRUE(WaitForBatches(sim, 1));
    EXPECT_EQ(Status(driver), "Corvana#1 (0 fps)") << "frames counted, no rate yet";

    std::array<std::uint8_t, 512> values {};
    const std::uint32_t t0 = 5000;
    driver.UpdateFpsAt(t0);
    while (driver.ReadFrame(values.data(), 512)) { }
    EXPECT_EQ(Status(driver), "Corvana#1 (44 fps)");
    EXPECT_EQ(driver.GetFps(), 44);

    driver.UpdateFpsAt(t0 + 999); // not a full second yet
    EXPECT_EQ(Status(driver), "Corvana#1 (44 fps)");

    const int calls = sim.Calls("GetFrame:returned");
    ASSERT_TRUE(WaitUntil([&] { return sim.Calls("GetFrame:returned") > calls; }));
    driver.UpdateFpsAt(t0 + 1000);
    EXPECT_EQ(Status(driver), "Corvana#1 (NO DATA)");

    driver.m_bShowAddress = 1;
    driver.m_iStartAddress = 5;
    driver.m_bMerge = 1;
    EXPECT_EQ(Status(driver), "Corvana#1 A005 MERGE (NO DATA)");

    char tiny[8];
    EXPECT_EQ(driver.GetStatusText(tiny, sizeof tiny, 0), 1);
    EXPECT_STREQ(tiny, "Corvana");
}

TEST(CorvanaDriver, BlinkAsksTheLibraryOnlyWhenInitialized)
{
    LogCapture log;
    SimLibrary sim({ { "CORVANA_SIM_RATE", "0" } });
    CCorvanaDriver driver(SimLibrary::Path());
    EXPECT_FALSE(driver.Blink(true));
    ASSERT_TRUE(driver.Init());
    EXPECT_TRUE(driver.Blink(true));
    EXPECT_EQ(sim.Calls("GetSign"), 1);
    EXPECT_TRUE(log.Contains("Corvana#1 blinking...", LOG_LEVEL_INFO));

    CInputDriver plain;
    EXPECT_FALSE(plain.Blink(true));
    EXPECT_TRUE(log.Contains("Blinking is not supported by this device driver.", LOG_LEVEL_INFO));
    char text[8] = "x";
    EXPECT_EQ(plain.GetStatusText(text, sizeof text, 0), 0);
    EXPECT_STREQ(text, "");
}

TEST(CorvanaDriver, SlowGetFrameIsWaitedFor)
{
    LogCapture log;
    SimLibrary sim({ { "CORVANA_SIM_BLOCK_MS", "300" }, { "CORVANA_SIM_RATE", "0" } });
    CCorvanaDriver driver(SimLibrary::Path());
    ASSERT_TRUE(driver.Init());
    ASSERT_TRUE(WaitUntil([&] { return sim.Calls("GetFrame") >= 1; }));
    driver.Close();
    EXPECT_EQ(log.CountErrors(), 0) << log.Dump();
    EXPECT_EQ(sim.Calls("GetFrame"), sim.Calls("GetFrame:returned")) << "thread joined after its last call";
}

TEST(CorvanaDriver, GetFrameThatNeverReturnsDoesNotHangTheReaderOrShutdown)
{
    LogCapture log;
    SimLibrary sim({ { "CORVANA_SIM_BLOCK_MS", "-1" }, { "CORVANA_SIM_RECORDS", "1" } });
    {
        CCorvanaDriver driver(SimLibrary::Path());
        ASSERT_TRUE(driver.Init());
        ASSERT_TRUE(WaitUntil([&] { return sim.Calls("GetFrame") >= 1; }));

        // The thread holds the lock inside the library; the reader must not wait for it.
        std::array<std::uint8_t, 512> values {};
        EXPECT_FALSE(driver.ReadFrame(values.data(), 512));
        driver.UpdateFps();
        EXPECT_EQ(Status(driver), "Corvana#1 (NO DATA)");

        const auto start = std::chrono::steady_clock::now();
        driver.Close();
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_LT(took, CCorvanaDriver::kStopTimeout + std::chrono::seconds(3));
        EXPECT_FALSE(driver.IsInitialized());
        EXPECT_TRUE(log.Contains(
            "Corvana#1: Realtime thread does not stop; the driver library stays loaded.", LOG_LEVEL_ERROR))
            << log.Dump();
    }
    // The abandoned thread still owns its frame store: let it return and end.
    sim.Unblock();
    EXPECT_TRUE(WaitUntil([&] { return sim.Calls("GetFrame:returned") >= 1; }));
    EXPECT_EQ(sim.Calls("GetFrame"), 1) << "a stopped thread must not call the library again";
}
