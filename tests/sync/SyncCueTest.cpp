#include "sync/SyncCue.h"
#include "sync/SyncClock.h"
#include "sync/SyncCueIntake.h"
#include "sync/SyncSeqGate.h"

#include "support/LogCapture.h"
#include "support/WaitFor.h"

#include <QElapsedTimer>
#include <gst/net/net.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

TEST(SyncCue, RoundTripsInTheCommandPacketAndOldPlayersIgnoreIt)
{
    CSyncCue cue;
    cue.seq = 4000000000u;
    cue.action = CSyncCue::ACTION_OPEN_PLAY;
    cue.groupTime = CSyncCue::kMaxGroupTime; // the largest a cue may carry
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

// Bad input: each cue that a follower must not act on, with the cause its log names.
struct RefusalRow
{
    const char* what;
    int32_t player;
    int32_t action;
    const char* text;
    CSyncCue::Refusal refusal;
};

class SyncCueRefusal : public testing::TestWithParam<RefusalRow>
{
};

TEST_P(SyncCueRefusal, IsRefusedWithItsCause)
{
    const RefusalRow& row = GetParam();
    RemotePackets::Command command { row.player, RemotePackets::CMD_SYNC_CUE, row.action, row.text };
    CSyncCue::Refusal refusal = CSyncCue::REFUSED_NONE;
    EXPECT_FALSE(CSyncCue::Decode(RemotePackets::EncodeCommand(command), nullptr, &refusal));
    EXPECT_EQ(refusal, row.refusal) << CSyncCue::RefusalText(refusal);
}

INSTANTIATE_TEST_SUITE_P(BadInput, SyncCueRefusal,
    testing::Values(RefusalRow { "empty", 0, 1, "", CSyncCue::REFUSED_MALFORMED },
        RefusalRow { "signed sequence", 0, 1, "-1 5", CSyncCue::REFUSED_MALFORMED },
        RefusalRow { "plus sign", 0, 1, "+1 5", CSyncCue::REFUSED_MALFORMED },
        RefusalRow { "sequence past 32 bits", 0, 1, "4294967296 5", CSyncCue::REFUSED_SEQ },
        RefusalRow { "sequence past 64 bits", 0, 1, "99999999999999999999999 5", CSyncCue::REFUSED_SEQ },
        RefusalRow { "time past a clock time", 0, 1, "1 9223372036854775808", CSyncCue::REFUSED_TIME },
        RefusalRow { "time of GST_CLOCK_TIME_NONE", 0, 1, "1 18446744073709551615", CSyncCue::REFUSED_TIME },
        RefusalRow { "time past 64 bits", 0, 1, "1 184467440737095516150", CSyncCue::REFUSED_TIME },
        RefusalRow { "start past 32 bits", 0, 1, "1 5 @4294967296", CSyncCue::REFUSED_START },
        RefusalRow { "start past 64 bits", 0, 1, "1 5 @99999999999999999999", CSyncCue::REFUSED_START },
        RefusalRow { "negative start", 0, 1, "1 5 @-3", CSyncCue::REFUSED_MALFORMED },
        RefusalRow { "action past open", 0, 6, "1 5", CSyncCue::REFUSED_ACTION },
        RefusalRow { "negative action", 0, -1, "1 5", CSyncCue::REFUSED_ACTION },
        RefusalRow { "player C", 2, 1, "1 5", CSyncCue::REFUSED_PLAYER },
        RefusalRow { "negative player", -1, 1, "1 5", CSyncCue::REFUSED_PLAYER }),
    [](const testing::TestParamInfo<RefusalRow>& row) {
        std::string name = row.param.what;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

TEST(SyncCue, TheLargestFieldsInRangeAreTaken)
{
    RemotePackets::Command command { 1, RemotePackets::CMD_SYNC_CUE, CSyncCue::ACTION_PLAY,
        "4294967295 9223372036854775807 @4294967295" };
    const auto cue = CSyncCue::Decode(RemotePackets::EncodeCommand(command));
    ASSERT_TRUE(cue);
    EXPECT_EQ(cue->seq, 4294967295u);
    EXPECT_EQ(cue->groupTime, 9223372036854775807ull);
    EXPECT_EQ(cue->startMs, 4294967295LL);
}

// Serial-number order: a row is (a, b, a newer than b).
TEST(SyncCue, SequenceNumbersCompareInSerialNumberArithmetic)
{
    struct Row
    {
        uint32_t a, b;
        bool newer;
    };
    for (const Row& row : { Row { 2, 1, true }, Row { 1, 2, false }, Row { 5, 5, false },
             Row { 0, 0xFFFFFFFFu, true }, Row { 3, 0xFFFFFFF0u, true }, Row { 0xFFFFFFFFu, 0, false },
             Row { 0x7FFFFFFFu, 0, true }, Row { 0x80000000u, 0, false }, Row { 0, 0x80000001u, true } })
        EXPECT_EQ(CSyncCue::SeqNewer(row.a, row.b), row.newer) << row.a << " vs " << row.b;
}

TEST(SyncSeqGate, EachNumberOncePerLeaderAcrossTheWrapAndNeverALateOne)
{
    constexpr uint32_t kLeader = 0x0A4F0001, kOther = 0x0A4F0002;
    CSyncSeqGate gate;
    struct Row
    {
        uint32_t leader, seq;
        CSyncSeqGate::Verdict verdict;
    };
    for (const Row& row : {
             Row { kLeader, 0xFFFFFFFEu, CSyncSeqGate::VERDICT_NEW },
             Row { kLeader, 0xFFFFFFFEu, CSyncSeqGate::VERDICT_REPEAT }, // sent three times
             Row { kLeader, 0xFFFFFFFFu, CSyncSeqGate::VERDICT_NEW },
             Row { kLeader, 0, CSyncSeqGate::VERDICT_NEW }, // wraps around
             Row { kLeader, 1, CSyncSeqGate::VERDICT_NEW },
             Row { kLeader, 0xFFFFFFFFu, CSyncSeqGate::VERDICT_STALE }, // reordered, after a newer one
             Row { kLeader, 0, CSyncSeqGate::VERDICT_STALE },
             Row { kOther, 0, CSyncSeqGate::VERDICT_NEW }, // per leader
             Row { kLeader, 1, CSyncSeqGate::VERDICT_REPEAT },
         })
        EXPECT_EQ(gate.Check(row.leader, row.seq), row.verdict) << row.leader << " " << row.seq;
    uint32_t latest = 0;
    ASSERT_TRUE(gate.Latest(kLeader, latest));
    EXPECT_EQ(latest, 1u);
    // A restarted leader numbers anew.
    gate.Forget(kLeader);
    EXPECT_EQ(gate.Check(kLeader, 0xFFFFFF00u), CSyncSeqGate::VERDICT_NEW);
    // A host that sends from many addresses evicts the oldest, never grows the table.
    for (uint32_t i = 0; i < 2 * CSyncSeqGate::kLeaders; ++i)
        gate.Check(0x0B000000 + i, 7);
    EXPECT_FALSE(gate.Latest(kLeader, latest));
    EXPECT_EQ(gate.Check(0x0B000000 + 2 * CSyncSeqGate::kLeaders - 1, 7), CSyncSeqGate::VERDICT_REPEAT);
}

// A follower's intake, step by step: what each heard cue does, and the log line it leaves.
TEST(SyncCueIntake, TakesOnlyItsLeadersNewCuesOnceLockedAndLogsTheRestOnce)
{
    constexpr uint32_t kLeader = 0x0A4F0001, kForger = 0x0A4F0004;
    constexpr uint64_t kNow = 1'000'000'000'000;
    auto cue = [](uint32_t seq, uint64_t at) {
        CSyncCue c;
        c.seq = seq;
        c.action = CSyncCue::ACTION_PLAY;
        c.groupTime = at;
        return c;
    };
    struct Step
    {
        const char* what;
        uint32_t sender;
        uint32_t seq;
        uint64_t at; // 0: a refusal (seq holds its cause)
        bool locked;
        uint32_t epoch;
        std::vector<uint32_t> taken; // the cues acted on after this step
        const char* logged; // nullptr: nothing new in the log
    };
    const Step steps[] = {
        { "before the lock", kLeader, 10, kNow + 300'000'000, false, 1, {},
            "Sync: cue 10 waits until the clock has locked." },
        { "its repeat while held", kLeader, 10, kNow + 300'000'000, false, 1, {}, nullptr },
        { "locked: the held cue", kLeader, 10, kNow + 300'000'000, true, 1, { 10 }, nullptr },
        { "a forger", kForger, 11, kNow, true, 1, {},
            "Sync: ignored a cue from 10.79.0.4: the leader is 10.79.0.1." },
        { "the forger again", kForger, 12, kNow, true, 1, {}, nullptr },
        { "the next cue", kLeader, 12, kNow + 300'000'000, true, 1, { 12 }, nullptr },
        { "a late duplicate", kLeader, 11, kNow, true, 1, {},
            "Sync: ignored cue 11 from 10.79.0.1: older than cue 12 (a late duplicate)." },
        { "a repeat", kLeader, 12, kNow + 300'000'000, true, 1, {}, nullptr },
        { "due in an hour", kLeader, 13, kNow + 3'600'000'000'000, true, 1, { 13 },
            "Sync: cue 13 is due in 3600 s, more than 10 s ahead; taken in 10 s." },
        { "an overflowing field", kForger, CSyncCue::REFUSED_TIME, 0, true, 1, {},
            "Sync: refused a cue from 10.79.0.4: the group time is out of range." },
        { "the same again", kForger, CSyncCue::REFUSED_TIME, 0, true, 1, {}, nullptr },
        { "a rebooted leader numbers anew", kLeader, 0xFFFFFFFFu, kNow + 300'000'000, true, 2,
            { 0xFFFFFFFFu }, nullptr },
        { "across the wrap", kLeader, 0, kNow + 300'000'000, true, 2, { 0 }, nullptr },
        { "late from before the wrap", kLeader, 0xFFFFFFFEu, kNow, true, 2, {},
            "Sync: ignored cue 4294967294 from 10.79.0.1: older than cue 0 (a late duplicate)." },
    };
    LogCapture log;
    CSyncCueIntake intake;
    size_t lines = 0;
    for (const Step& step : steps) {
        if (step.at == 0)
            intake.Refused(static_cast<CSyncCue::Refusal>(step.seq), step.sender);
        else
            intake.Take(cue(step.seq, step.at), false, step.sender, kLeader, step.epoch, 0);
        std::vector<uint32_t> taken;
        for (const CSyncCue& c : intake.Ready(step.locked, kNow, kLeader, step.epoch, 0)) {
            taken.push_back(c.seq);
            EXPECT_LE(c.groupTime, kNow + CSyncCueIntake::kMaxDelayNs) << step.what;
        }
        EXPECT_EQ(taken, step.taken) << step.what;
        const auto texts = log.Texts();
        if (step.logged) {
            ASSERT_EQ(texts.size(), lines + 1) << step.what << "\n" << log.Dump();
            EXPECT_EQ(texts.back(), step.logged) << step.what;
        } else {
            EXPECT_EQ(texts.size(), lines) << step.what << "\n" << log.Dump();
        }
        lines = texts.size();
    }
}

// A fresh cue far in the past by this clock: the leader's time jumped and the
// clock has not followed yet. It waits for the re-base, at most a bound.
TEST(SyncCueIntake, AFreshCueFromAnotherTimeWaitsForTheReBase)
{
    constexpr uint32_t kLeader = 0x7F000001;
    LogCapture log;
    CSyncCueIntake intake;
    CSyncCue cue;
    cue.seq = 1;
    cue.action = CSyncCue::ACTION_STOP;
    cue.groupTime = 4'000'000'000; // a rebooted leader's time
    const uint64_t oldNow = 900'000'000'000;
    intake.Take(cue, false, kLeader, kLeader, 1, 0);
    EXPECT_TRUE(intake.Ready(true, oldNow, kLeader, 1, 100).empty());
    EXPECT_TRUE(log.Contains("it waits for the clock to follow the leader")) << log.Dump();
    // Re-based: the new clock's time is the leader's.
    EXPECT_EQ(intake.Ready(true, 4'100'000'000, kLeader, 2, 600).size(), 1u);

    // Never for longer than the bound; a state repeat of an old cue joins late at once.
    intake.Take(CSyncCue { 2, CSyncCue::ACTION_STOP, 1'000, 0, "", -1 }, false, kLeader, kLeader, 2, 1000);
    EXPECT_TRUE(intake.Ready(true, oldNow, kLeader, 2, 1000).empty());
    EXPECT_EQ(intake.Ready(true, oldNow, kLeader, 2, 1000 + CSyncCueIntake::kMismatchHoldMs).size(), 1u);
    intake.Take(CSyncCue { 3, CSyncCue::ACTION_STOP, 1'000, 0, "", -1 }, true, kLeader, kLeader, 2, 5000);
    EXPECT_EQ(intake.Ready(true, oldNow, kLeader, 2, 5000).size(), 1u);
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

// Clocks on loopback: GStreamer ready, the log captured, and every poll timed
// from the test's start as the main frame's tick times it.
class SyncClock : public testing::Test
{
protected:
    void SetUp() override
    {
        gst_init(nullptr, nullptr);
        since.start();
    }
    CSyncClock::State Poll(CSyncClock& clock)
    {
        clock.Poll(since.elapsed());
        return clock.GetState();
    }

    LogCapture log;
    QElapsedTimer since;
};

// A follower on loopback locks to its leader, notices once that the leader is
// gone, runs on, and rejoins a new leader on the same port.
TEST_F(SyncClock, FollowerLocksLosesAndRejoinsItsLeader)
{
    CSyncClock leader, follower;
    constexpr uint16_t kPort = 31795;
    ASSERT_TRUE(leader.Start(CSyncClock::ROLE_LEADER, "127.0.0.1", kPort));
    ASSERT_TRUE(follower.Start(CSyncClock::ROLE_FOLLOWER, "127.0.0.1", kPort));
    const auto state = [&] { return Poll(follower); };
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

namespace {

// A leader that serves `clock` on `port`, as a restarted machine would.
struct TimeServer
{
    TimeServer(GstClock* clock, uint16_t port)
        : provider(gst_net_time_provider_new(clock, "127.0.0.1", port))
    {
    }
    ~TimeServer()
    {
        if (provider)
            gst_object_unref(provider);
    }
    TimeServer(const TimeServer&) = delete;
    TimeServer& operator=(const TimeServer&) = delete;
    GstNetTimeProvider* provider;
};

// A system clock of its own whose time is `offsetNs` off this machine's:
// what a leader serves after a reboot (near zero) or in another time namespace.
GstPtr<GstClock> ShiftedClock(int64_t offsetNs)
{
    GstPtr<GstClock> clock(GST_CLOCK(g_object_new(GST_TYPE_SYSTEM_CLOCK, nullptr)));
    gst_object_ref_sink(clock.get());
    const GstClockTime now = gst_clock_get_internal_time(clock.get());
    gst_clock_set_calibration(
        clock.get(), now, static_cast<GstClockTime>(static_cast<int64_t>(now) + offsetNs), 1, 1);
    return clock;
}

} // namespace

// The leader's time jumps back (a reboot) and then far ahead: each time the
// follower re-bases onto a new clock that tells the leader's new time, logs
// it, and locks again; a GStreamer clock on its own would stall at the old time.
TEST_F(SyncClock, FollowerReBasesWhenTheLeadersTimeJumps)
{
    constexpr uint16_t kPort = 31796;
    GstPtr<GstClock> system(gst_system_clock_obtain());
    auto server = std::make_unique<TimeServer>(system.get(), kPort);
    ASSERT_TRUE(server->provider);
    CSyncClock follower;
    ASSERT_TRUE(follower.Start(CSyncClock::ROLE_FOLLOWER, "127.0.0.1", kPort));
    const auto state = [&] { return Poll(follower); };
    ASSERT_TRUE(WaitFor([&] { return state() == CSyncClock::STATE_LOCKED; }, 20000)) << log.Dump();
    const uint32_t firstEpoch = follower.Epoch();

    const int64_t uptime = static_cast<int64_t>(gst_clock_get_time(system.get()));
    for (const int64_t offset : { int64_t { 1'000'000 } * GST_SECOND, 5'000'000'000 - uptime }) {
        server.reset();
        // Away as long as a reboot takes: the follower runs on its last estimate.
        ASSERT_TRUE(WaitFor([&] { return state() == CSyncClock::STATE_LOST; }, 20000)) << log.Dump();
        GstPtr<GstClock> served = ShiftedClock(offset);
        server = std::make_unique<TimeServer>(served.get(), kPort);
        ASSERT_TRUE(server->provider);
        const uint32_t epoch = follower.Epoch();
        QElapsedTimer back;
        back.start();
        ASSERT_TRUE(
            WaitFor([&] { return state() == CSyncClock::STATE_LOCKED && follower.Epoch() != epoch; }, 20000))
            << log.Dump();
        std::printf(
            "locked again %lld ms after the leader's return\n", static_cast<long long>(back.elapsed()));
        // The member's group time is the leader's new one, not the old one held still.
        EXPECT_TRUE(WaitFor(
            [&] {
                state();
                return std::llabs(static_cast<long long>(follower.Now())
                           - static_cast<long long>(gst_clock_get_time(served.get())))
                    < 5'000'000LL;
            },
            5000))
            << follower.Now() << " vs " << gst_clock_get_time(served.get());
    }
    EXPECT_GE(follower.Epoch(), firstEpoch + 2);
    int jumped = 0;
    for (const std::string& text : log.Texts())
        jumped += text.find("Sync: the leader's time jumped by") != std::string::npos;
    EXPECT_EQ(jumped, 2) << log.Dump();
}

// A leader given by name: resolved in the background, then followed by address.
TEST_F(SyncClock, FollowerResolvesTheLeadersNameOffItsThread)
{
    constexpr uint16_t kPort = 31797;
    GstPtr<GstClock> system(gst_system_clock_obtain());
    TimeServer server(system.get(), kPort);
    ASSERT_TRUE(server.provider);
    CSyncClock follower;
    QElapsedTimer call;
    call.start();
    ASSERT_TRUE(follower.Start(CSyncClock::ROLE_FOLLOWER, "localhost", kPort));
    EXPECT_EQ(follower.Clock(), nullptr); // no clock, and no wait, before the name resolves
    EXPECT_EQ(follower.LeaderIPv4(), 0u);
    ASSERT_TRUE(WaitFor([&] { return Poll(follower) == CSyncClock::STATE_LOCKED; }, 20000)) << log.Dump();
    EXPECT_EQ(follower.LeaderIPv4(), 0x7F000001u);
    EXPECT_TRUE(log.Contains("Sync: the leader localhost is 127.0.0.1.")) << log.Dump();

    CSyncClock nowhere;
    ASSERT_TRUE(nowhere.Start(CSyncClock::ROLE_FOLLOWER, "no-such-host.invalid", kPort));
    ASSERT_TRUE(WaitFor(
        [&] {
            nowhere.Poll(since.elapsed());
            return log.Contains("Sync: cannot resolve the leader no-such-host.invalid");
        },
        20000))
        << log.Dump();
    EXPECT_EQ(nowhere.Clock(), nullptr);
}
