#include "remote/ServerSocket.h"
#include "support/WaitFor.h"

#include "core/Log.h"
#include "core/Preferences.h"
#include "remote/RemotePackets.h"
#include "support/FakeNetwork.h"
#include "support/LogCapture.h"
#include "support/RecordingTarget.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include <net/if.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>

using namespace RemotePackets;

namespace {

// Whatever a test forgets, nothing built here may broadcast beyond loopback.
const bool kLoopbackOnly = [] { return setenv("ZUVIO_STATUS_DEST", "127.0.0.1:9", 1) == 0; }();

using Bytes = std::vector<std::uint8_t>;

Bytes Command(std::int32_t player, std::int32_t code, std::int32_t value = 0, const std::string& text = {})
{
    const auto b = EncodeCommand({ player, code, value, text });
    return Bytes(b.begin(), b.end());
}

bool WaitUntil(const std::function<bool()>& done, int ms = 10000)
{
    return WaitFor(done, ms);
}

class ServerSocketTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(kLoopbackOnly);
        ASSERT_TRUE(m_Listener.bind(QHostAddress::LocalHost, 0));
        m_Socket.SetCommandPort(0);
        m_Socket.SetStatusDestination(QHostAddress::LocalHost, m_Listener.localPort());
        m_Socket.SetClock([this] { return m_Now; });
        ASSERT_TRUE(m_Socket.InitServer("127.0.0.1"));
    }
    void Send(const Bytes& datagram)
    {
        ASSERT_EQ(m_Sender.writeDatagram(reinterpret_cast<const char*>(datagram.data()),
                      static_cast<qint64>(datagram.size()), QHostAddress::LocalHost, m_Socket.GetBoundPort()),
            static_cast<qint64>(datagram.size()));
    }

    // Everything the socket sent to the listener, once at least `count` have arrived.
    std::vector<Broadcast> Heard(std::size_t count)
    {
        EXPECT_TRUE(WaitUntil([&] {
            while (m_Listener.hasPendingDatagrams()) {
                Bytes b(static_cast<std::size_t>(std::max<qint64>(m_Listener.pendingDatagramSize(), 0)));
                const qint64 n = m_Listener.readDatagram(
                    reinterpret_cast<char*>(b.data()), static_cast<qint64>(b.size()));
                b.resize(static_cast<std::size_t>(std::max<qint64>(n, 0)));
                const auto decoded = DecodeBroadcast(b);
                EXPECT_TRUE(decoded) << "undecodable packet of " << n << " bytes";
                if (decoded)
                    m_Heard.push_back(*decoded);
            }
            return m_Heard.size() >= count;
        })) << "heard "
            << m_Heard.size() << " of " << count;
        return m_Heard;
    }

    // Tick by tick: a text marker after each poll shows exactly which ticks sent a status.
    std::vector<int> TicksThatSentStatus(int ticks, const std::function<void(int)>& beforeTick = {})
    {
        m_Heard.clear();
        for (int i = 0; i < ticks; ++i) {
            if (beforeTick)
                beforeTick(i);
            m_Socket.PollStatus();
            m_Socket.SendText("tick " + std::to_string(i));
            m_Now += 100;
        }
        std::vector<int> sent;
        int tick = -1;
        for (const auto& b : Heard(static_cast<std::size_t>(ticks))) {
            if (b.kind == kKindText)
                ++tick;
            else
                sent.push_back(tick + 1);
            if (b.kind == kKindText && b.text == "tick " + std::to_string(ticks - 1))
                break;
        }
        return sent;
    }

    std::vector<Bytes> Slots() const
    {
        std::vector<Bytes> slots;
        for (int i = 0; i < CServerSocket::kRingSlots; ++i) {
            Bytes b(kCommandSize);
            m_Socket.GetCommandPacket(b.data(), i);
            slots.push_back(b);
        }
        return slots;
    }

    CPreferences m_Prefs { CPreferences::Defaults {} };
    RecordingTarget m_Owner;
    CServerSocket m_Socket { &m_Owner, m_Prefs };
    QUdpSocket m_Listener;
    QUdpSocket m_Sender;
    std::uint32_t m_Now = 5000;
    std::vector<Broadcast> m_Heard;
};

using Msg = RecordingTarget::Message;

TEST_F(ServerSocketTest, CommandsBecomeMessagesWithPlayerAndValue)
{
    Send(Command(1, CMD_PLAY));
    Send(Command(0, CMD_STOP));
    Send(Command(1, CMD_PAUSE));
    Send(Command(0, CMD_SEEK_ABS, 90000));
    Send(Command(0, CMD_VOLUME, 0x7fffffff));
    Send(Command(1, CMD_VOLUME, -5));
    Send(Command(1, CMD_SET_ACTIVE, 44));
    Send(Command(-1, CMD_PLAY));
    Send(Command(0x7fffffff, CMD_PAUSE));
    ASSERT_TRUE(WaitUntil([&] { return m_Owner.messages.size() == 9; }));
    const std::vector<Msg> expected
        = { { WM_NET_PLAY, 1, 0 }, { WM_NET_STOP, 0, 0 }, { WM_NET_PAUSE, 1, 0 }, { WM_NET_SEEK, 0, 90000 },
              { WM_NET_VOLUME, 0, 0x7fffffff }, { WM_NET_VOLUME, 1, -5 }, { WM_NET_SELECT_PLAYER, 1, 0 },
              { WM_NET_PLAY, static_cast<WPARAM>(-1), 0 }, { WM_NET_PAUSE, 0x7fffffff, 0 } };
    EXPECT_EQ(m_Owner.messages, expected);
    // A handler that tests the player as unsigned below 2 rejects -1.
    EXPECT_FALSE(m_Owner.messages[7].wParam < 2);
    EXPECT_EQ(m_Socket.GetRecvIndex(), 9 % 8);
}

TEST_F(ServerSocketTest, Codes12And99AdvanceTheRingAndOnly12IsSent)
{
    Send(Command(0, 99, 1));
    ASSERT_TRUE(WaitUntil([&] { return m_Socket.GetRecvIndex() == 1; }));
    EXPECT_TRUE(m_Owner.messages.empty());
    Send(Command(1, CMD_UNUSED_12, 42));
    ASSERT_TRUE(WaitUntil([&] { return m_Socket.GetRecvIndex() == 2; }));
    EXPECT_EQ(m_Owner.messages, (std::vector<Msg> { { WM_NET_UNUSED_12, 1, 42 } }));
}

TEST_F(ServerSocketTest, RejectedDatagramsChangeNothing)
{
    Send(Command(0, CMD_OPEN, 0, "first.mp4"));
    ASSERT_TRUE(WaitUntil([&] { return m_Socket.GetRecvIndex() == 1; }));
    const auto before = Slots();

    Bytes lucy = Command(0, CMD_PLAY);
    std::memcpy(lucy.data(), "LUCY", 4);
    Bytes longer = Command(0, CMD_PLAY);
    longer.push_back(0);
    Bytes shorter = Command(0, CMD_PLAY);
    shorter.pop_back();
    Bytes huge(65507, 0);
    std::memcpy(huge.data(), "YCUL", 4);
    huge[12] = CMD_PLAY;
    for (const Bytes& b : { Bytes {}, Bytes { 'Y' }, shorter, longer, lucy, huge })
        Send(b);
    ASSERT_TRUE(WaitUntil([&] { return m_Socket.GetDiscardedCount() == 6; }));

    EXPECT_EQ(m_Socket.GetRecvIndex(), 1);
    EXPECT_EQ(Slots(), before);
    EXPECT_EQ(m_Owner.messages.size(), 1u);
    Send(Command(1, CMD_PLAY));
    ASSERT_TRUE(WaitUntil([&] { return m_Owner.messages.size() == 2; }));
    EXPECT_EQ(m_Owner.messages.back(), (Msg { WM_NET_PLAY, 1, 0 }));
}

TEST_F(ServerSocketTest, RemoteControlOffIgnoresCommandsButStatusGoesOn)
{
    m_Prefs.m_iRemoteCtrl = 0;
    for (int i = 0; i < 3; ++i)
        Send(Command(0, CMD_PLAY));
    ASSERT_TRUE(WaitUntil([&] { return m_Socket.GetDiscardedCount() == 3; }));
    EXPECT_TRUE(m_Owner.messages.empty());
    EXPECT_EQ(m_Socket.GetRecvIndex(), 0);
    EXPECT_EQ(TicksThatSentStatus(17), (std::vector<int> { 15 }));

    // Switched back on, only the new command counts: the old ones were dropped, not queued.
    m_Prefs.m_iRemoteCtrl = 1;
    Send(Command(1, CMD_STOP));
    ASSERT_TRUE(WaitUntil([&] { return !m_Owner.messages.empty(); }));
    EXPECT_EQ(m_Owner.messages, (std::vector<Msg> { { WM_NET_STOP, 1, 0 } }));
}

TEST_F(ServerSocketTest, NineOpensUseEverySlotThenSlotZeroAgain)
{
    std::vector<std::string> seenByHandler;
    m_Owner.handler = [&](unsigned msg, WPARAM, LPARAM slot) -> LRESULT {
        Bytes packet(kCommandSize);
        if (msg == WM_NET_OPEN && m_Socket.GetCommandPacket(packet.data(), static_cast<int>(slot)))
            seenByHandler.push_back(DecodeCommand(packet)->text);
        return 1;
    };
    for (int i = 0; i < 9; ++i)
        Send(Command(0, CMD_OPEN, 0, "clip" + std::to_string(i) + ".mp4"));
    ASSERT_TRUE(WaitUntil([&] { return m_Owner.messages.size() == 9; }));

    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(m_Owner.messages[static_cast<std::size_t>(i)], (Msg { WM_NET_OPEN, 0, i % 8 }));
        EXPECT_EQ(seenByHandler[static_cast<std::size_t>(i)], "clip" + std::to_string(i) + ".mp4");
    }
    EXPECT_EQ(DecodeCommand(Slots()[0])->text, "clip8.mp4");
    EXPECT_EQ(DecodeCommand(Slots()[1])->text, "clip1.mp4");

    Bytes untouched(kCommandSize, 0xEE);
    EXPECT_FALSE(m_Socket.GetCommandPacket(untouched.data(), -1));
    EXPECT_FALSE(m_Socket.GetCommandPacket(untouched.data(), 8));
    EXPECT_EQ(untouched, Bytes(kCommandSize, 0xEE));
}

TEST_F(ServerSocketTest, BurstLongerThanOneReadingIsReadWhole)
{
    for (int i = 0; i < 100; ++i) // more than one notification reads
        Send(Command(0, CMD_UNUSED_12, i));
    ASSERT_TRUE(WaitUntil([&] { return m_Owner.messages.size() == 100; }))
        << m_Owner.messages.size() << " of 100";
    EXPECT_EQ(m_Owner.messages.back(), (Msg { WM_NET_UNUSED_12, 0, 99 }));
    EXPECT_EQ(m_Socket.GetRecvIndex(), 100 % 8);
}

TEST_F(ServerSocketTest, RandomFloodChangesNothingAndCommandsStillWork)
{
    Send(Command(1, CMD_OPEN, 0, "keep.mp4"));
    ASSERT_TRUE(WaitUntil([&] { return m_Socket.GetRecvIndex() == 1; }));
    const auto before = Slots();

    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> small(0, 1200);
    std::uniform_int_distribution<int> percent(0, 99);
    constexpr int kDatagrams = 100000;
    // Waits whenever a batch could fill the loopback receive buffer, so that
    // every datagram reaches the socket and is counted.
    constexpr std::size_t kBatchBytes = 64 * 1024;
    Bytes datagram;
    std::size_t batchBytes = 0;
    for (int sent = 0; sent < kDatagrams;) {
        const int kind = percent(random);
        std::size_t size = static_cast<std::size_t>(small(random));
        if (kind == 0)
            size = 65507;
        else if (kind < 10)
            size = 548;
        else if (kind < 20)
            size = kind % 2 ? 547 : 549;
        datagram.resize(size);
        for (std::size_t i = 0; i < std::min<std::size_t>(size, 600); ++i)
            datagram[i] = static_cast<std::uint8_t>(byte(random));
        if (size >= 4 && kind < 10)
            std::memcpy(datagram.data(), "YCUX", 4); // the right size, nearly the right magic
        else if (size >= 4 && kind < 20)
            std::memcpy(datagram.data(), "YCUL", 4); // the right magic, one byte off in size
        Send(datagram);
        ++sent;
        batchBytes += size + 1024;
        if (batchBytes >= kBatchBytes || sent == kDatagrams) {
            batchBytes = 0;
            ASSERT_TRUE(WaitUntil([&] {
                return m_Socket.GetDiscardedCount() == static_cast<std::uint64_t>(sent);
            })) << "processed "
                << m_Socket.GetDiscardedCount() << " of " << sent;
        }
    }
    EXPECT_EQ(m_Socket.GetRecvIndex(), 1);
    EXPECT_EQ(Slots(), before);
    EXPECT_EQ(m_Owner.messages.size(), 1u);

    Send(Command(0, CMD_PLAY));
    ASSERT_TRUE(WaitUntil([&] { return m_Owner.messages.size() == 2; }));
    EXPECT_EQ(m_Owner.messages.back(), (Msg { WM_NET_PLAY, 0, 0 }));
}

TEST_F(ServerSocketTest, IdleStatusEvery1600MsAcrossTheTickCountWrap)
{
    m_Now = 0xFFFFFFFFu - 700; // the interval wraps through zero on the way
    EXPECT_EQ(TicksThatSentStatus(40), (std::vector<int> { 15, 31 }));
}

TEST_F(ServerSocketTest, ChangeGoesOutWithinOneTickAndRestartsTheInterval)
{
    RemotePackets::StatusRecord record;
    record.playState = 2;
    record.fileName = "x.mp4";
    m_Socket.SetStatus(record);
    const auto sent = TicksThatSentStatus(40, [&](int tick) {
        if (tick == 5)
            m_Socket.m_bSendNow = true;
    });
    EXPECT_EQ(sent, (std::vector<int> { 5, 21, 37 }));
    EXPECT_FALSE(m_Socket.m_bSendNow);
    const auto status = std::find_if(
        m_Heard.begin(), m_Heard.end(), [](const Broadcast& b) { return b.kind == kKindStatus; });
    ASSERT_NE(status, m_Heard.end());
    EXPECT_EQ(status->status.playState, 2);
    EXPECT_EQ(status->status.fileName, "x.mp4");
}

TEST_F(ServerSocketTest, LongNamesAndTextsAreCut)
{
    RemotePackets::StatusRecord record;
    record.fileName = std::string(200, 'n');
    m_Socket.SetStatus(record);
    EXPECT_EQ(m_Socket.GetStatus().fileName.size(), 127u);
    m_Socket.SendStatus();
    m_Socket.SendText("");
    m_Socket.SendText(std::string(600, 't'));
    const auto heard = Heard(2);
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[0].status.fileName, std::string(127, 'n'));
    EXPECT_EQ(heard[1].text, std::string(511, 't'));
}

TEST_F(ServerSocketTest, MacIsThatOfTheAdapterCarryingTheBoundAddress)
{
    vexoNet::AdapterRecord adapter;
    adapter.name = "show0";
    adapter.addresses = { { "127.0.0.1", "255.0.0.0" } };
    adapter.physicalAddress = { 0x02, 0x11, 0x22, 0x33, 0x44, 0x55 };
    m_Socket.SetNetworkSource([adapter] { return std::vector<vexoNet::AdapterRecord> { adapter }; });

    m_Socket.CloseServer();
    ASSERT_TRUE(m_Socket.InitServer("127.0.0.1"));
    m_Socket.SendStatus();
    const std::array<std::uint8_t, 6> expected = { 0x02, 0x11, 0x22, 0x33, 0x44, 0x55 };
    EXPECT_EQ(Heard(1).at(0).status.mac, expected);

    // The MAC outlives CloseServer; the record does not.
    RemotePackets::StatusRecord record;
    record.duration = 99;
    record.fileName = "a.mp4";
    m_Socket.SetStatus(record);
    m_Socket.m_bSendNow = true;
    m_Socket.CloseServer();
    EXPECT_EQ(m_Socket.GetMacAddress(), expected);
    EXPECT_EQ(m_Socket.GetStatus().duration, 0u);
    EXPECT_TRUE(m_Socket.GetStatus().fileName.empty());
    EXPECT_FALSE(m_Socket.m_bSendNow);
    EXPECT_FALSE(m_Socket.IsInitialized());

    // Bound to all addresses no adapter matches, whatever the adapters say.
    ASSERT_TRUE(m_Socket.InitServer("0.0.0.0"));
    m_Socket.SendStatus();
    EXPECT_EQ(Heard(2).at(1).status.mac, (std::array<std::uint8_t, 6> {}));
}

TEST_F(ServerSocketTest, AnAddressThatComesAfterStartIsListenedOnWithItsMac)
{
    // A card plugged in late: no adapter carries the address at start. The
    // server starts all the same and waits, sending nothing meanwhile.
    LogCapture log;
    FakeNetwork::Network network;
    m_Socket.SetNetworkSource(network.Source());
    m_Socket.CloseServer();
    ASSERT_TRUE(m_Socket.InitServer("127.0.0.1"));
    EXPECT_TRUE(m_Socket.IsInitialized());
    EXPECT_EQ(m_Socket.GetBoundPort(), 0);
    m_Socket.SendText("unheard");
    EXPECT_TRUE(log.Contains("Remote control: port 0 waits for address 127.0.0.1."));

    vexoNet::AdapterRecord card = FakeNetwork::Adapter("lo", {}, if_nametoindex("lo"));
    card.addresses = { { "127.0.0.1", "255.0.0.0" } };
    card.physicalAddress = { 0x02, 0x11, 0x22, 0x33, 0x44, 0x55 };
    network.Set({ card });
    ASSERT_TRUE(WaitUntil([&] { return m_Socket.GetBoundPort() != 0; }));
    EXPECT_EQ(m_Socket.GetMacAddress(), (std::array<std::uint8_t, 6> { 0x02, 0x11, 0x22, 0x33, 0x44, 0x55 }));
    Send(Command(1, CMD_PLAY));
    ASSERT_TRUE(WaitUntil([&] { return m_Owner.Count(WM_NET_PLAY) == 1; }));
    m_Socket.SendText("heard");
    EXPECT_EQ(Heard(1).at(0).text, "heard");
    EXPECT_EQ(log.CountErrors(), 0);
}

TEST_F(ServerSocketTest, CommandsToTheSubnetBroadcastCountButNotToOtherAddresses)
{
    // Bound to 127.0.0.1/8: its subnet broadcast is heard; 127.0.0.2 arrives on the
    // same adapter but is not the bound address, and is dropped like an invalid datagram.
    const auto sendTo = [&](const char* address, const Bytes& datagram) {
        ASSERT_EQ(m_Sender.writeDatagram(reinterpret_cast<const char*>(datagram.data()),
                      static_cast<qint64>(datagram.size()), QHostAddress(address), m_Socket.GetBoundPort()),
            static_cast<qint64>(datagram.size()));
    };
    sendTo("127.255.255.255", Command(0, CMD_PLAY));
    ASSERT_TRUE(WaitUntil([&] { return m_Owner.Count(WM_NET_PLAY) == 1; }));
    sendTo("127.0.0.2", Command(1, CMD_STOP));
    ASSERT_TRUE(WaitUntil([&] { return m_Socket.GetDiscardedCount() == 1; }));
    EXPECT_EQ(m_Owner.Count(WM_NET_STOP), 0);
    EXPECT_EQ(m_Socket.GetRecvIndex(), 1);
    sendTo("127.0.0.1", Command(1, CMD_STOP));
    ASSERT_TRUE(WaitUntil([&] { return m_Owner.Count(WM_NET_STOP) == 1; }));
    EXPECT_EQ(m_Socket.GetRecvIndex(), 2);
}

TEST_F(ServerSocketTest, FailedSendIsLoggedOnceUntilASendSucceeds)
{
    LogCapture log;
    const std::string line = "SendBroadcast(): Packet to 127.0.0.1:0 not sent: Invalid argument";
    m_Socket.SetStatusDestination(QHostAddress::LocalHost, 0); // refused by the kernel
    m_Socket.SendStatus();
    m_Socket.SendText("lost");
    m_Socket.SendStatus();
    EXPECT_EQ(log.Texts(LOG_LEVEL_ERROR), std::vector<std::string> { line });
    m_Socket.SetStatusDestination(QHostAddress::LocalHost, m_Listener.localPort());
    m_Socket.SendText("heard");
    EXPECT_EQ(Heard(1).at(0).text, "heard");
    m_Socket.SetStatusDestination(QHostAddress::LocalHost, 0);
    m_Socket.SendText("lost again");
    m_Socket.SendStatus();
    EXPECT_EQ(log.Texts(LOG_LEVEL_ERROR), std::vector<std::string>(2, line));
}

TEST_F(ServerSocketTest, FailedInitIsLoggedAndLeavesTheSocketClosed)
{
    LogCapture log;
    CServerSocket second(&m_Owner, m_Prefs);
    second.SetCommandPort(m_Socket.GetBoundPort());
    EXPECT_FALSE(second.InitServer("127.0.0.1")); // the port is taken
    EXPECT_FALSE(second.IsInitialized());
    EXPECT_EQ(second.GetBoundPort(), 0);
    second.SetCommandPort(0);
    for (const char* bad : { "eth0", "127.1", "::1", "10.0.0.300" })
        EXPECT_FALSE(second.InitServer(bad)) << bad;
    EXPECT_EQ(
        log.Texts(LOG_LEVEL_ERROR), std::vector<std::string>(5, "InitServer(): Server socket not created."));
}

TEST_F(ServerSocketTest, InvalidDestinationSendsNothingRatherThanBroadcast)
{
    EXPECT_FALSE(m_Socket.SetStatusDestination("status-host:31772"));
    m_Socket.SendText("lost");
    EXPECT_TRUE(m_Socket.SetStatusDestination("127.0.0.1:" + std::to_string(m_Listener.localPort())));
    m_Socket.SendText("heard");
    EXPECT_EQ(Heard(1).at(0).text, "heard");
}

TEST(StatusDestEnvironment, ReadAtConstructionAndRefusedWhenMalformed)
{
    ASSERT_TRUE(kLoopbackOnly);
    LogCapture log;
    const CPreferences prefs { CPreferences::Defaults {} };
    setenv("ZUVIO_STATUS_DEST", "127.0.0.1:4567", 1);
    const CServerSocket good(nullptr, prefs);
    EXPECT_EQ(good.GetStatusAddress(), QHostAddress(QHostAddress::LocalHost));
    EXPECT_EQ(good.GetStatusPort(), 4567);
    setenv("ZUVIO_STATUS_DEST", "controller:4567", 1);
    const CServerSocket bad(nullptr, prefs);
    EXPECT_TRUE(bad.GetStatusAddress().isNull());
    EXPECT_TRUE(log.Contains("ZUVIO_STATUS_DEST \"controller:4567\" is not address:port", LOG_LEVEL_ERROR));
    setenv("ZUVIO_STATUS_DEST", "127.0.0.1:9", 1);
}

TEST_F(ServerSocketTest, HandlerMayRestartTheServerWhileACommandIsHandled)
{
    m_Owner.handler = [&](unsigned msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_NET_SELECT_PLAYER) {
            m_Socket.CloseServer();
            EXPECT_TRUE(m_Socket.InitServer("127.0.0.1"));
        }
        return 1;
    };
    Send(Command(0, CMD_SET_ACTIVE));
    Send(Command(0, CMD_PLAY)); // queued on the socket that is closed under it
    ASSERT_TRUE(WaitUntil([&] { return m_Owner.Count(WM_NET_SELECT_PLAYER) == 1; }));
    Send(Command(1, CMD_STOP));
    ASSERT_TRUE(WaitUntil([&] { return m_Owner.Count(WM_NET_STOP) == 1; }));
    EXPECT_EQ(m_Owner.messages.back(), (Msg { WM_NET_STOP, 1, 0 }));
}

} // namespace
