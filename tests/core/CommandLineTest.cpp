#include "core/CommandLine.h"
#include "core/ParseNumber.h"
#include "core/SignalBridge.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

namespace {

CCommandLine ParseArgs(std::vector<const char*> args)
{
    args.insert(args.begin(), "zuvio");
    return CCommandLine::Parse(static_cast<int>(args.size()), args.data());
}

} // namespace

TEST(CommandLine, OptionsInBothForms)
{
    const CCommandLine line = ParseArgs({ "--audio-sink=fakesink sync=true", "--video-sink", "ximagesink",
        "--status-address=127.0.0.1:4000", "--log-stderr", "show.m3u" });
    EXPECT_TRUE(line.error.empty()) << line.error;
    EXPECT_EQ(line.audioSink, "fakesink sync=true");
    EXPECT_EQ(line.videoSink, "ximagesink");
    EXPECT_EQ(line.statusAddress, "127.0.0.1:4000");
    EXPECT_TRUE(line.logToStderr);
    EXPECT_EQ(line.document, "show.m3u");
    EXPECT_FALSE(line.help);
    EXPECT_FALSE(line.play);
    EXPECT_TRUE(ParseArgs({ "--play", "show.m3u" }).play);
    const CCommandLine wall
        = ParseArgs({ "--sync=follower", "--sync-leader", "10.0.0.1", "--sync-port=4000" });
    EXPECT_TRUE(wall.error.empty()) << wall.error;
    EXPECT_EQ(wall.sync, "follower");
    EXPECT_EQ(wall.syncLeader, "10.0.0.1");
    EXPECT_EQ(wall.syncPort, 4000);
}

TEST(CommandLine, ErrorsAreReportedNotFatal)
{
    EXPECT_FALSE(ParseArgs({ "--bogus" }).error.empty());
    EXPECT_FALSE(ParseArgs({ "--audio-sink" }).error.empty());
    EXPECT_FALSE(ParseArgs({ "a.avi", "b.avi" }).error.empty());
    EXPECT_FALSE(ParseArgs({ "--status-address=nowhere" }).error.empty());
    EXPECT_FALSE(ParseArgs({ "--status-address=10.0.0.1:70000" }).error.empty());
    EXPECT_FALSE(ParseArgs({ "--sync=boss" }).error.empty());
    EXPECT_FALSE(ParseArgs({ "--sync-port=0" }).error.empty());
    EXPECT_EQ(ParseArgs({ "--", "--odd-name.avi" }).document, "--odd-name.avi");
    EXPECT_TRUE(ParseArgs({ "-h" }).help);
    EXPECT_TRUE(ParseArgs({ "--version" }).version);
}

// Both port options and the tools read numbers through ParseNumber: only the
// whole text, only digits, only what fits.
TEST(CommandLine, PortsAreWholeNumbersInTheirRange)
{
    struct Row
    {
        const char* option;
        int port; // -1: refused
    } rows[] = {
        { "--osc-port=0", 0 },
        { "--osc-port=65535", 65535 },
        { "--osc-port=65536", -1 },
        { "--osc-port=-1", -1 },
        { "--osc-port=+80", -1 },
        { "--osc-port=80 ", -1 },
        { "--osc-port=0x50", -1 },
        { "--osc-port=", -1 },
        { "--sync-port=1", 1 },
        { "--sync-port=0", -1 },
        { "--sync-port=99999999999", -1 },
    };
    for (const Row& row : rows) {
        const CCommandLine line = ParseArgs({ row.option });
        const bool osc = std::string(row.option).rfind("--osc-port", 0) == 0;
        EXPECT_EQ(osc ? line.oscPort : line.syncPort, row.port) << row.option;
        EXPECT_EQ(line.error.empty(), row.port >= 0) << row.option << ": " << line.error;
    }
    EXPECT_EQ(ParseNumber<std::uint16_t>("65535"), 65535);
    EXPECT_FALSE(ParseNumber<std::uint16_t>("65536"));
    EXPECT_EQ(ParseNumber<unsigned>("ff", 16), 255u);
    EXPECT_FALSE(ParseNumber<int>("12abc"));
}

TEST(SignalBridge, TermSignalArrivesOnTheEventLoop)
{
    CSignalBridge bridge;
    ASSERT_TRUE(bridge.IsInstalled());
    int received = 0;
    QObject::connect(&bridge, &CSignalBridge::terminationRequested, [&](int sig) { received = sig; });
    ::raise(SIGTERM);
    QElapsedTimer timer;
    timer.start();
    while (received == 0 && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(received, SIGTERM);
}
