#include "osc/OscServer.h"

#include "core/Preferences.h"
#include "osc/LoHandles.h"
#include "osc/OscAddressMatcher.h"
#include "osc/OscDatagram.h"
#include "support/FakeNetwork.h"
#include "support/LogCapture.h"
#include "support/OscBytes.h"
#include "support/RecordingTarget.h"
#include "support/WaitFor.h"

#include <QNetworkDatagram>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include <net/if.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <string>
#include <vector>

namespace {

// liblo's arguments sit at 4-byte offsets: read by copy.
std::int32_t Read32(const lo_arg* arg)
{
    std::int32_t value = 0;
    std::memcpy(&value, arg, sizeof value);
    return value;
}

constexpr std::uint32_t kLoopback = 0x7f000001;

// What the frame does with the messages the server sends: recorded, with the
// text of an open copied while it is valid.
class OscServerTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_Target.handler = [this](unsigned msg, WPARAM, LPARAM) {
            if (msg == static_cast<unsigned>(ShowCommandId::Open))
                m_Opened.push_back(m_Target.texts.back());
            return LRESULT { 1 };
        };
        m_Server.SetClock([this] { return m_Now; });
        ASSERT_TRUE(m_Server.Start({ true, 0, "127.0.0.1", {} }));
        ASSERT_NE(m_Server.GetBoundPort(), 0);
    }
    void Feed(const Bytes& bytes, std::uint16_t fromPort = 40000, std::uint32_t fromAddress = kLoopback)
    {
        m_Server.HandleDatagram(bytes, fromAddress, fromPort);
    }
    std::vector<RecordingTarget::Message> Take()
    {
        auto messages = std::move(m_Target.messages);
        m_Target.messages.clear();
        return messages;
    }

    CPreferences m_Prefs { CPreferences::Defaults {} };
    RecordingTarget m_Target;
    COscServer m_Server { &m_Target, m_Prefs };
    std::vector<std::string> m_Opened;
    std::int64_t m_Now = 1000;
};

using M = RecordingTarget::Message;
constexpr WPARAM kNoPlayer = static_cast<WPARAM>(-1); // a command that names no player

constexpr unsigned Cmd(ShowCommandId id)
{
    return static_cast<unsigned>(id);
}

TEST_F(OscServerTest, EveryAddressSendsTheMessageOfTheSameAction)
{
    OscState state;
    state.active = 1;
    m_Server.SetState(state);
    Feed(Osc("/zuvio/a/play"));
    Feed(Osc("/zuvio/b/pause"));
    Feed(Osc("/zuvio/active/stop"));
    Feed(Osc("/zuvio/b/seek", "f", 1500.4f));
    Feed(Osc("/zuvio/a/volume", "i", 40));
    Feed(Osc("/zuvio/active/volume/db", "f", -6.0f));
    Feed(Osc("/zuvio/cut", "s", "a"));
    Feed(Osc("/zuvio/cut/b"));
    Feed(Osc("/zuvio/take"));
    Feed(Osc("/zuvio/playlist/go", "i", 2));
    Feed(Osc("/zuvio/playlist/next"));
    Feed(Osc("/zuvio/playlist/previous"));
    Feed(Osc("/zuvio/playlist/loop", "T"));
    Feed(Osc("/zuvio/playlist/repeat", "i", 0));
    Feed(Osc("/zuvio/playlist/autoadvance", "f", 1.0f));
    Feed(Osc("/zuvio/fullscreen", "i", 1));
    using Id = ShowCommandId;
    const std::vector<M> expected = { { WM_NET_PLAY, 0, 0 }, { WM_NET_PAUSE, 1, 0 }, { WM_NET_STOP, 1, 0 },
        { WM_NET_SEEK, 1, 1500 }, { WM_NET_VOLUME, 0, 40 }, { Cmd(Id::VolumeDb), 1, -600 },
        { WM_NET_SELECT_PLAYER, 0, 0 }, { WM_NET_SELECT_PLAYER, 1, 0 }, { Cmd(Id::Take), 0, 0 },
        { Cmd(Id::PlaylistGo), kNoPlayer, 1 }, { Cmd(Id::Step), kNoPlayer, 1 },
        { Cmd(Id::Step), kNoPlayer, 0 }, { Cmd(Id::Loop), kNoPlayer, 1 }, { Cmd(Id::Repeat), kNoPlayer, 0 },
        { Cmd(Id::AutoAdvance), kNoPlayer, 1 }, { Cmd(Id::Fullscreen), kNoPlayer, 1 } };
    EXPECT_EQ(Take(), expected);

    // Open: a path, a stream address, a playlist position as ":n" or a number.
    Feed(Osc("/zuvio/a/open", "s", "/media/show/intro.mp4"));
    Feed(Osc("/zuvio/b/open", "s", "rtsp://10.77.0.9/live"));
    Feed(Osc("/zuvio/active/open", "i", 3));
    Feed(Osc("/zuvio/a/open", "s", ":2"));
    EXPECT_EQ(Take(),
        (std::vector<M> {
            { WM_NET_OPEN, 0, 0 }, { WM_NET_OPEN, 1, 0 }, { WM_NET_OPEN, 1, 0 }, { WM_NET_OPEN, 0, 0 } }));
    EXPECT_EQ(m_Opened,
        (std::vector<std::string> { "/media/show/intro.mp4", "rtsp://10.77.0.9/live", ":3", ":2" }));
}

TEST_F(OscServerTest, ButtonReleasesPatternsAndBundlesAsLibloGivesThem)
{
    // A button's release (0) is valid and does nothing; its press (1) fires.
    Feed(Osc("/zuvio/take", "f", 0.0f));
    Feed(Osc("/zuvio/a/play", "i", 1));
    EXPECT_EQ(Take(), (std::vector<M> { { WM_NET_PLAY, 0, 0 } }));

    Feed(Osc("/zuvio/{a,b}/stop"));
    EXPECT_EQ(Take(), (std::vector<M> { { WM_NET_STOP, 0, 0 }, { WM_NET_STOP, 1, 0 } }));

    lo_bundle bundle = lo_bundle_new(LO_TT_IMMEDIATE);
    LoMessagePtr cut(lo_message_new());
    LoMessagePtr play(lo_message_new());
    lo_message_add_string(cut.get(), "B");
    lo_bundle_add_message(bundle, "/zuvio/cut", cut.get());
    lo_bundle_add_message(bundle, "/zuvio/b/play", play.get());
    std::size_t size = 0;
    void* data = lo_bundle_serialise(bundle, nullptr, &size);
    Feed(Bytes(static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + size));
    std::free(data);
    // The bundle frees its messages and the paths it copied.
    cut.release();
    play.release();
    lo_bundle_free_recursive(bundle);
    EXPECT_EQ(Take(), (std::vector<M> { { WM_NET_SELECT_PLAYER, 1, 0 }, { WM_NET_PLAY, 1, 0 } }));
}

TEST_F(OscServerTest, BadInputIsIgnoredAndLoggedOncePerCause)
{
    LogCapture log;
    const std::string huge(COscServer::kMaxString + 1, 'x');
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (int round = 0; round < 50; ++round) {
        Feed(Bytes { 0x2f, 0x7a, 0x00 }); // "/z" and no type tag string
        Feed(Bytes(37, 0xff));
        Feed(Osc("/zuvio/a/jump"));
        Feed(Osc("/other/thing", "i", 1));
        Feed(Osc("/zuvio/a/seek", "s", "soon"));
        Feed(Osc("/zuvio/a/seek", "f", nan));
        Feed(Osc("/zuvio/a/seek", "i", -5));
        Feed(Osc("/zuvio/a/play", "ii", 1, 2));
        Feed(Osc("/zuvio/cut", "s", "C"));
        Feed(Osc("/zuvio/a/open", "i", 0));
        Feed(Osc("/zuvio/a/open", "s", huge.c_str()));
        Feed(Osc("/zuvio/playlist/go", "f", 1.5f));
        Feed(Osc("/zuvio/subscribe", "i", 70000));
        m_Server.HandleDatagram(Osc("/zuvio/a/play"), kLoopback, 40000, true);
    }
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(log.Texts().size(), 5u) << log.Dump(); // malformed, unknown, arguments, string, too large
    EXPECT_TRUE(log.Contains("OSC: malformed packet (from 127.0.0.1:40000); ignored."));
    EXPECT_TRUE(log.Contains("OSC: unknown address (/zuvio/a/jump); ignored."));
    EXPECT_TRUE(log.Contains("OSC: wrong arguments (/zuvio/a/seek ,s); ignored."));
    EXPECT_TRUE(log.Contains("OSC: string too long (/zuvio/a/open); ignored."));
    EXPECT_TRUE(log.Contains("OSC: packet too large (from 127.0.0.1:40000); ignored."));

    // Ten seconds on, a cause is logged again with what was left out.
    m_Now += COscServer::kLogIntervalMs;
    Feed(Osc("/zuvio/a/jump"));
    EXPECT_TRUE(log.Contains("OSC: unknown address (/zuvio/a/jump), 99 more since; ignored.")) << log.Dump();

    // Valid messages keep working; with remote control off nothing does.
    Feed(Osc("/zuvio/b/play"));
    EXPECT_EQ(Take(), (std::vector<M> { { WM_NET_PLAY, 1, 0 } }));
    m_Prefs.m_iRemoteCtrl = 0;
    Feed(Osc("/zuvio/b/play"));
    Feed(Osc("/zuvio/a/jump"));
    EXPECT_TRUE(Take().empty());
}

// Feedback as a controller sees it: through the socket, from the server's port.
TEST_F(OscServerTest, FeedbackOnChangeOnceASecondAndUntilTheLeaseEnds)
{
    QUdpSocket controller;
    ASSERT_TRUE(controller.bind(QHostAddress::LocalHost, 0));
    std::vector<std::string> heard;
    const auto drain = [&] {
        while (controller.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = controller.receiveDatagram();
            EXPECT_EQ(datagram.senderPort(), m_Server.GetBoundPort());
            QByteArray bytes = datagram.data();
            int result = 0;
            LoMessagePtr message(
                lo_message_deserialise(bytes.data(), static_cast<std::size_t>(bytes.size()), &result));
            if (!message)
                continue;
            std::string text = bytes.constData();
            lo_arg** argv = lo_message_get_argv(message.get());
            const char* types = lo_message_get_types(message.get());
            if (types[0] == LO_INT32)
                text += " " + std::to_string(Read32(argv[0]));
            else if (types[0] == LO_STRING)
                text += " " + std::string(reinterpret_cast<const char*>(argv[0]));
            heard.push_back(text);
        }
    };
    const auto has = [&](const std::string& line) {
        drain();
        return std::find(heard.begin(), heard.end(), line) != heard.end();
    };
    OscState state;
    state.players[0] = { 1, 1000, 5000, "clip1.avi" };
    m_Server.SetState(state);

    // A subscribe over the socket names the port: the whole state at once.
    const Bytes subscribe = Osc("/zuvio/subscribe", "ii", static_cast<int>(controller.localPort()), 2);
    QUdpSocket sender;
    sender.writeDatagram(reinterpret_cast<const char*>(subscribe.data()),
        static_cast<qint64>(subscribe.size()), QHostAddress::LocalHost, m_Server.GetBoundPort());
    ASSERT_TRUE(WaitFor([&] { return has("/zuvio/a/remaining 4000"); })) << heard.size();
    EXPECT_TRUE(has("/zuvio/a/file clip1.avi"));
    EXPECT_TRUE(has("/zuvio/active A"));
    EXPECT_TRUE(has("/zuvio/sync standalone"));

    // A change goes at once, alone; a running position waits for the round.
    heard.clear();
    state.players[0].playState = 2;
    m_Server.SetState(state);
    m_Now += 300;
    state.players[0].position = 1300;
    m_Server.SetState(state);
    ASSERT_TRUE(WaitFor([&] { return has("/zuvio/a/state playing"); }));
    EXPECT_FALSE(has("/zuvio/a/position 1300"));
    // A seek is a jump and goes at once.
    m_Now += 100;
    state.players[0].position = 4000;
    m_Server.SetState(state);
    ASSERT_TRUE(WaitFor([&] { return has("/zuvio/a/position 4000"); }));
    state.sync = "follower 10.0.0.1:31775 locked";
    m_Server.SetState(state);
    ASSERT_TRUE(WaitFor([&] { return has("/zuvio/sync follower 10.0.0.1:31775 locked"); }));
    m_Server.SendText("Player A: Playback started.\n");
    ASSERT_TRUE(WaitFor([&] { return has("/zuvio/status Player A: Playback started."); }));

    m_Now += COscFeedback::kRefreshMs;
    m_Server.Poll();
    ASSERT_TRUE(WaitFor([&] { return has("/zuvio/b/file "); }));

    // The lease (2 s from the subscribe) ends; a message from the address would have renewed it.
    m_Now += 599;
    m_Server.Poll();
    EXPECT_EQ(m_Server.GetFeedback().GetSubscriberCount(), 1u);
    m_Now += 1;
    m_Server.Poll();
    EXPECT_EQ(m_Server.GetFeedback().GetSubscriberCount(), 0u);
}

TEST_F(OscServerTest, CommandsSubscribeTheirSenderAndRenewItsLeases)
{
    Feed(Osc("/zuvio/subscribe", "i", 9000));
    Feed(Osc("/zuvio/a/play"), 40001);
    const COscFeedback& feedback = m_Server.GetFeedback();
    EXPECT_TRUE(feedback.IsSubscribed(kLoopback, 9000));
    EXPECT_TRUE(feedback.IsSubscribed(kLoopback, 40001));
    m_Now += COscFeedback::kDefaultLeaseMs - 1;
    Feed(Osc("/zuvio/a/stop"), 40002); // renews both, adds a third
    m_Now += 2;
    m_Server.Poll();
    EXPECT_EQ(feedback.GetSubscriberCount(), 3u);
    // Bad input renews nothing.
    m_Now += COscFeedback::kDefaultLeaseMs - 2;
    Feed(Osc("/zuvio/a/jump"), 40002);
    m_Now += 1;
    m_Server.Poll();
    EXPECT_EQ(feedback.GetSubscriberCount(), 0u);
    // The table is bounded: a flood of senders cannot grow it, and the
    // implicit leases they leave never keep a named subscriber out.
    const std::uint32_t hosts = 0x0a000100;
    for (std::uint32_t host = hosts; host < hosts + 100; ++host)
        Feed(Osc("/zuvio/a/stop"), 41000, host);
    EXPECT_EQ(feedback.GetSubscriberCount(), COscFeedback::kMaxSubscribers);
    for (std::uint32_t host = hosts; host < hosts + COscFeedback::kMaxSubscribers; ++host)
        Feed(Osc("/zuvio/subscribe", "i", 9000), 40000, host);
    EXPECT_TRUE(feedback.IsSubscribed(hosts, 9000));
    Feed(Osc("/zuvio/a/stop"), 42000);
    EXPECT_FALSE(feedback.IsSubscribed(kLoopback, 42000));
    EXPECT_EQ(feedback.GetSubscriberCount(), COscFeedback::kMaxSubscribers);
}

// A hand-made bundle (time tag "now"), as hostile senders make them.
Bytes Bundle(const std::vector<Bytes>& elements)
{
    Bytes bytes { '#', 'b', 'u', 'n', 'd', 'l', 'e', 0, 0, 0, 0, 0, 0, 0, 0, 1 };
    for (const Bytes& element : elements) {
        const auto size = static_cast<std::uint32_t>(element.size());
        bytes.insert(bytes.end(),
            { std::uint8_t(size >> 24), std::uint8_t(size >> 16), std::uint8_t(size >> 8),
                std::uint8_t(size) });
        bytes.insert(bytes.end(), element.begin(), element.end());
    }
    return bytes;
}

// A full bundle of one address: as many copies as a bundle may hold, each
// with a string argument long enough that together they fill kMaxDatagram.
Bytes FullBundle(const std::string& path)
{
    const std::size_t room = (COscServer::kMaxDatagram - 16) / OscDatagram::kMaxElements - 4;
    Bytes message = Osc(path.c_str());
    for (std::size_t filler = room; filler > 0 && message.size() <= room; --filler) {
        const Bytes longer = Osc(path.c_str(), "s", std::string(filler, 'x').c_str());
        if (longer.size() <= room) {
            message = longer;
            break;
        }
    }
    return Bundle(std::vector<Bytes>(OscDatagram::kMaxElements, message));
}

// This thread's CPU time for one call, which other work on a busy machine disturbs little.
template <typename Work> double CpuMs(Work&& work)
{
    timespec start {};
    timespec end {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
    work();
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
    return double(end.tv_sec - start.tv_sec) * 1e3 + double(end.tv_nsec - start.tv_nsec) / 1e6;
}

TEST_F(OscServerTest, WildcardBombsDeepBracesAndFullBundlesAreRefusedCheaplyOncePerCause)
{
    LogCapture log;
    std::string bomb = "/";
    for (int i = 0; i < 20; ++i)
        bomb += "*?";
    bomb += "!"; // 42 bytes: this alone held the interface thread for 0.2 s
    std::string longBomb = "/zuvio/";
    while (longBomb.size() < COscAddressMatcher::kMaxAddressLength - 8)
        longBomb += "*?";
    // The most work accepted: 16 wildcards in 64 characters, through the widest parts.
    const std::string widest = "/*/*/*?*?*?*?*?*?*?" + std::string(45, 'x');
    const std::string braces = "/zuvio/" + std::string(20, '{') + "a" + std::string(20, '}') + "/play";

    Bytes nested = Osc("/zuvio/a/play");
    for (int depth = 0; depth < 10; ++depth)
        nested = Bundle({ nested });
    Bytes emptyElement = Bundle({ Osc("/zuvio/a/play") });
    emptyElement.insert(emptyElement.end(), { 0, 0, 0, 0 });

    const std::vector<std::pair<std::string, Bytes>> hostile = {
        { "an address with a line break", Osc("/zuvio/a/jump\nOSC: forged") },
        { "a wildcard bomb", Osc(bomb.c_str()) },
        { "a bundle of wildcard bombs", FullBundle(longBomb) },
        { "a bundle of the costliest patterns accepted", FullBundle(widest) },
        { "a bundle of small wildcard messages", Bundle(std::vector<Bytes>(500, Osc("/*/*"))) },
        { "deep braces", Osc(braces.c_str()) },
        { "a bundle of deep braces", FullBundle(braces) },
        { "an unclosed bracket", Osc("/zuvio/[ab/stop") },
        { "an address too long", Osc(("/zuvio/a/" + std::string(300, 'x')).c_str()) },
        { "bundles in bundles", nested },
        { "an empty bundle element", emptyElement },
    };
    for (int round = 0; round < 3; ++round) {
        for (const auto& [what, bytes] : hostile) {
            ASSERT_LE(bytes.size(), COscServer::kMaxDatagram) << what;
            ASSERT_GT(bytes.size(), bytes.size() > 1000 ? COscServer::kMaxDatagram - 300 : 0u) << what;
            // Generous: the goal (5 ms for a full bundle) is the benchmark's.
            EXPECT_LT(CpuMs([&] { Feed(bytes); }), 250.0) << what;
        }
    }
    EXPECT_TRUE(Take().empty());
    EXPECT_TRUE(log.Contains("OSC: pattern too complex (" + bomb + "); ignored.")) << log.Dump();
    EXPECT_TRUE(log.Contains("OSC: too many bundle elements (from 127.0.0.1:40000); ignored."));
    EXPECT_TRUE(log.Contains("OSC: unknown address (/zuvio/a/jump?OSC: forged); ignored."));
    EXPECT_TRUE(log.Contains("OSC: malformed pattern (/zuvio/[ab/stop); ignored."));
    EXPECT_TRUE(log.Contains("OSC: address too long (/zuvio/a/xxx"));
    EXPECT_TRUE(log.Contains("OSC: bundles nested too deep (from 127.0.0.1:40000); ignored."));
    EXPECT_TRUE(log.Contains("OSC: malformed packet (from 127.0.0.1:40000); ignored."));
    for (const std::string& line : log.Texts())
        EXPECT_NE(line.rfind("OSC: forged", 0), 0u) << line;
    // Each cause once: too complex, too many elements, unknown, malformed pattern,
    // too long, too deep, malformed packet.
    EXPECT_EQ(log.Texts().size(), 7u) << log.Dump();

    // A bomb beside a command in one bundle costs the command nothing; what
    // operators write still works.
    Feed(Bundle({ Osc(bomb.c_str()), Osc("/zuvio/b/play") }));
    Feed(Osc("/zuvio/*/stop"));
    Feed(Osc("/zuvio/[ab]/pause"));
    Feed(Osc("/zuvio/{a,b}/play"));
    EXPECT_EQ(Take(),
        (std::vector<M> { { WM_NET_PLAY, 1, 0 }, { WM_NET_STOP, 0, 0 }, { WM_NET_STOP, 1, 0 },
            { WM_NET_STOP, 0, 0 }, { WM_NET_PAUSE, 0, 0 }, { WM_NET_PAUSE, 1, 0 }, { WM_NET_PLAY, 0, 0 },
            { WM_NET_PLAY, 1, 0 } }));
}

TEST_F(OscServerTest, FeedbackLeasesAreCappedPerSenderAndInAllTheOldestEnding)
{
    LogCapture log;
    const COscFeedback& feedback = m_Server.GetFeedback();
    // One address naming port after port keeps its newest few.
    for (int port = 9000; port < 9010; ++port, ++m_Now)
        Feed(Osc("/zuvio/subscribe", "i", port));
    EXPECT_EQ(feedback.GetSubscriberCount(), COscFeedback::kMaxPerSender);
    EXPECT_FALSE(feedback.IsSubscribed(kLoopback, 9005));
    EXPECT_TRUE(feedback.IsSubscribed(kLoopback, 9006));
    EXPECT_TRUE(feedback.IsSubscribed(kLoopback, 9009));

    // Subscriptions from forged addresses never fill the table for good: the
    // newest get in, and a controller heard from lately keeps its lease.
    const std::uint32_t controller = 0x0a000002;
    Feed(Osc("/zuvio/subscribe", "i", 9000), 40000, controller);
    for (std::uint32_t host = 0x0b000000; host < 0x0b000000 + 200; ++host, ++m_Now) {
        Feed(Osc("/zuvio/subscribe", "ii", 9000, 3600), 40000, host);
        if (host % 8 == 0)
            Feed(Osc("/zuvio/subscribe", "i", 9000), 40000, controller);
        EXPECT_TRUE(feedback.IsSubscribed(host, 9000));
        EXPECT_LE(feedback.GetSubscriberCount(), COscFeedback::kMaxSubscribers);
    }
    EXPECT_TRUE(feedback.IsSubscribed(controller, 9000));
    EXPECT_FALSE(feedback.IsSubscribed(0x0b000000 + 150, 9000));
    EXPECT_FALSE(feedback.IsSubscribed(kLoopback, 9009));
    EXPECT_TRUE(
        log.Contains("OSC: feedback leases full (127.0.0.1:9000 for 127.0.0.1:9004); the oldest ended."))
        << log.Dump();
}

TEST_F(OscServerTest, AnAddressThatComesAfterStartIsListenedOn)
{
    // DHCP late: the address is not there at start; the server runs and
    // opens its port when the address comes.
    LogCapture log;
    FakeNetwork::Network network;
    m_Server.SetNetworkSource(network.Source());
    ASSERT_TRUE(m_Server.Start({ true, 0, "127.0.0.1", {} }));
    EXPECT_TRUE(m_Server.IsRunning());
    EXPECT_EQ(m_Server.GetBoundPort(), 0);
    EXPECT_TRUE(log.Contains("OSC: port 0 waits for address 127.0.0.1."));

    vexoNet::AdapterRecord card = FakeNetwork::Adapter("lo", {}, if_nametoindex("lo"));
    card.addresses = { { "127.0.0.1", "255.0.0.0" } };
    network.Set({ card });
    ASSERT_TRUE(WaitFor([&] { return m_Server.GetBoundPort() != 0; }, 10000));
    QUdpSocket controller;
    const Bytes play = Osc("/zuvio/b/play");
    ASSERT_EQ(controller.writeDatagram(reinterpret_cast<const char*>(play.data()),
                  static_cast<qint64>(play.size()), QHostAddress::LocalHost, m_Server.GetBoundPort()),
        static_cast<qint64>(play.size()));
    ASSERT_TRUE(WaitFor([&] { return !m_Target.messages.empty(); }, 10000));
    EXPECT_EQ(Take(), (std::vector<M> { { WM_NET_PLAY, 1, 0 } }));
    EXPECT_TRUE(log.Contains(
        "OSC: port " + std::to_string(m_Server.GetBoundPort()) + " listening on 127.0.0.1 (lo)."));
    EXPECT_EQ(log.CountErrors(), 0);
}

} // namespace
