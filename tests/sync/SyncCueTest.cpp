#include "sync/SyncCue.h"
#include "sync/SyncClock.h"

#include "support/LogCapture.h"
#include "support/WaitFor.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <cstring>

TEST(SyncCue, RoundTripsInTheCommandPacketAndOldPlayersIgnoreIt)
{
    CSyncCue cue;
    cue.seq = 4000000000u;
    cue.action = CSyncCue::ACTION_OPEN_PLAY;
    cue.groupTime = 18446744073709551000ull;
    cue.player = 1;
    cue.path = "/media/wall 1.mp4";
    for (const bool state : { false, true }) {
        const auto bytes = cue.Encode(state);
        ASSERT_EQ(RemotePackets::CheckCommand(bytes), RemotePackets::CommandCheck::Accepted);
        // A player that knows no sync codes maps them to no message at all.
        EXPECT_EQ(RemotePackets::MessageForCode(RemotePackets::DecodeCommand(bytes)->code), 0u);
        bool isState = !state;
        const auto back = CSyncCue::Decode(bytes, &isState);
        ASSERT_TRUE(back);
        EXPECT_EQ(isState, state);
        EXPECT_EQ(back->seq, cue.seq);
        EXPECT_EQ(back->action, cue.action);
        EXPECT_EQ(back->groupTime, cue.groupTime);
        EXPECT_EQ(back->player, 1);
        EXPECT_EQ(back->path, cue.path);
    }
}

TEST(SyncCue, RejectsOtherCommandsAndMalformedTexts)
{
    RemotePackets::Command play { 0, RemotePackets::CMD_PLAY, 0, "1 2" };
    EXPECT_FALSE(CSyncCue::Decode(RemotePackets::EncodeCommand(play)));
    for (const char* text : { "", "1", "-1 5", "1 -5", "1 5x", "x 5", "99999999999 5" }) {
        RemotePackets::Command bad { 0, RemotePackets::CMD_SYNC_CUE, CSyncCue::ACTION_PLAY, text };
        EXPECT_FALSE(CSyncCue::Decode(RemotePackets::EncodeCommand(bad))) << text;
    }
    RemotePackets::Command action { 0, RemotePackets::CMD_SYNC_CUE, 9, "1 5" };
    EXPECT_FALSE(CSyncCue::Decode(RemotePackets::EncodeCommand(action)));
    for (const char* text : { "1 5 @", "1 5 @x", "1 5 @-3", "1 5 @12x" }) {
        RemotePackets::Command bad { 0, RemotePackets::CMD_SYNC_CUE, CSyncCue::ACTION_PLAY, text };
        EXPECT_FALSE(CSyncCue::Decode(RemotePackets::EncodeCommand(bad))) << text;
    }
}

// A play carries the frame every member starts from; an open its reference.
TEST(SyncCue, PlayCarriesItsStartPositionAndOpenItsReference)
{
    CSyncCue play;
    play.action = CSyncCue::ACTION_PLAY;
    play.seq = 7;
    play.groupTime = 123;
    play.startMs = 61234;
    const auto back = CSyncCue::Decode(play.Encode(false));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->startMs, 61234);
    EXPECT_TRUE(back->path.empty());
    play.startMs = -1;
    EXPECT_EQ(CSyncCue::Decode(play.Encode(false))->startMs, -1);

    CSyncCue open;
    open.action = CSyncCue::ACTION_OPEN;
    open.path = ":3";
    const auto opened = CSyncCue::Decode(open.Encode(true));
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->action, CSyncCue::ACTION_OPEN);
    EXPECT_EQ(opened->path, ":3");
    EXPECT_EQ(opened->startMs, -1);
}

// A follower on loopback locks to its leader, notices once that the leader is
// gone, runs on, and rejoins a new leader on the same port.
TEST(SyncClock, FollowerLocksLosesAndRejoinsItsLeader)
{
    gst_init(nullptr, nullptr);
    LogCapture log;
    QElapsedTimer since;
    since.start();
    CSyncClock leader, follower;
    constexpr uint16_t kPort = 31795;
    ASSERT_TRUE(leader.Start(CSyncClock::ROLE_LEADER, "127.0.0.1", kPort));
    ASSERT_TRUE(follower.Start(CSyncClock::ROLE_FOLLOWER, "127.0.0.1", kPort));
    auto state = [&] {
        follower.Poll(since.elapsed());
        return follower.GetState();
    };
    ASSERT_TRUE(WaitFor([&] { return state() == CSyncClock::STATE_LOCKED; }, 20000)) << log.Dump();
    // One host, one system clock: the estimate is near zero.
    EXPECT_LT(std::llabs(static_cast<long long>(follower.Now()) - static_cast<long long>(leader.Now())),
        5'000'000LL);
    EXPECT_NE(follower.Describe().find("locked"), std::string::npos);

    leader.Stop();
    ASSERT_TRUE(WaitFor([&] { return state() == CSyncClock::STATE_LOST; }, 20000));
    const GstClockTime a = follower.Now();
    EXPECT_GT(follower.Now() + 1, a); // still running
    ASSERT_TRUE(leader.Start(CSyncClock::ROLE_LEADER, "127.0.0.1", kPort));
    ASSERT_TRUE(WaitFor([&] { return state() == CSyncClock::STATE_LOCKED; }, 20000)) << log.Dump();
    int lost = 0, rejoined = 0;
    for (const std::string& text : log.Texts()) {
        lost += text.find("does not answer") != std::string::npos;
        rejoined += text.find("rejoined") != std::string::npos;
    }
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(rejoined, 1);
}
