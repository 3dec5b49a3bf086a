#include "net/UdpListener.h"

#include "support/FakeNetwork.h"
#include "support/LogCapture.h"
#include "support/WaitFor.h"

#include <QNetworkDatagram>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include <net/if.h>

#include <cerrno>
#include <string>
#include <vector>

using FakeNetwork::Adapter;
using vexoNet::AdapterRecord;
using vexoNet::CUdpListener;

namespace {

constexpr std::uint32_t kLoopback = 0x7f000001;
const std::uint32_t kLo = if_nametoindex("lo");

// The loopback interface as the fake network reports it, or the same address
// on an interface of another index (the link made anew, or another card).
AdapterRecord Loopback(std::uint32_t index = kLo)
{
    AdapterRecord lo = Adapter("lo", {}, index);
    lo.addresses = { { "127.0.0.1", "255.0.0.0" } };
    return lo;
}

struct Heard
{
    std::string text;
    std::uint32_t fromAddress;
    std::uint16_t fromPort;
    bool truncated;
    bool operator==(const Heard&) const = default;
};

class UdpListenerTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(kLo, 0u);
        ASSERT_TRUE(m_Sender.bind(QHostAddress::LocalHost, 0));
        m_Listener.SetNetworkSource(m_Network.Source());
        m_Listener.SetReceiver([this](const vexoNet::UdpDatagram& d) {
            m_Heard.push_back(
                { std::string(d.bytes.begin(), d.bytes.end()), d.fromAddress, d.fromPort, d.truncated });
        });
        m_Listener.SetAdapterChanged([this] { ++m_Changes; });
    }
    void SendTo(const char* address, const std::string& text)
    {
        ASSERT_EQ(m_Sender.writeDatagram(text.data(), static_cast<qint64>(text.size()), QHostAddress(address),
                      m_Listener.GetBoundPort()),
            static_cast<qint64>(text.size()));
    }
    // Every datagram sent so far was either heard or discarded.
    bool Settled(std::size_t heard, std::uint64_t discarded)
    {
        return WaitFor([&] { return m_Heard.size() >= heard && m_Listener.GetDiscardedCount() >= discarded; },
                   10000)
            && m_Heard.size() == heard && m_Listener.GetDiscardedCount() == discarded;
    }
    Heard FromSender(const std::string& text, bool truncated = false) const
    {
        return { text, kLoopback, m_Sender.localPort(), truncated };
    }
    int LogCount(const std::string& line) const
    {
        const auto texts = m_Log.Texts();
        return static_cast<int>(std::count(texts.begin(), texts.end(), line));
    }
    std::string Port() const { return std::to_string(m_Listener.GetBoundPort()); }

    LogCapture m_Log;
    FakeNetwork::Network m_Network;
    CUdpListener m_Listener { "Test", 64 };
    QUdpSocket m_Sender;
    std::vector<Heard> m_Heard;
    int m_Changes = 0;
};

TEST_F(UdpListenerTest, HearsItsAddressItsSubnetBroadcastAndNothingFromElsewhere)
{
    m_Network.Set({ Loopback() });
    ASSERT_TRUE(m_Listener.Start("127.0.0.1", 0));
    ASSERT_TRUE(m_Listener.IsListening());
    const std::uint16_t port = m_Listener.GetBoundPort();
    ASSERT_NE(port, 0);
    ASSERT_TRUE(m_Listener.GetAdapter());
    EXPECT_EQ(m_Listener.GetAdapter()->broadcast, 0x7fffffffu);

    SendTo("127.0.0.1", "to the address");
    SendTo("127.255.255.255", "to the subnet");
    SendTo("127.0.0.2", "to another address on the adapter");
    SendTo("127.0.0.1", std::string(100, 'x'));
    ASSERT_TRUE(Settled(3, 1)) << m_Heard.size() << " heard, " << m_Listener.GetDiscardedCount()
                               << " discarded";
    EXPECT_EQ(m_Heard,
        (std::vector<Heard> { FromSender("to the address"), FromSender("to the subnet"),
            FromSender(std::string(64, 'x'), true) }));

    // Replies leave from the listening socket.
    ASSERT_TRUE(m_Listener.Send(kLoopback, m_Sender.localPort(), "reply", 5));
    ASSERT_TRUE(WaitFor([&] { return m_Sender.hasPendingDatagrams(); }, 10000));
    const QNetworkDatagram reply = m_Sender.receiveDatagram();
    EXPECT_EQ(reply.data(), QByteArray("reply"));
    EXPECT_EQ(reply.senderPort(), port);

    // The address now on another interface: what arrives on this one is dropped.
    m_Network.Set({ Loopback(kLo + 1000) });
    m_Listener.Follow();
    EXPECT_EQ(m_Changes, 1);
    EXPECT_EQ(m_Listener.GetBoundPort(), port);
    SendTo("127.0.0.1", "arrived elsewhere");
    EXPECT_TRUE(Settled(3, 2));

    for (const char* bad : { "eth0", "127.1", "::1", "10.0.0.300" }) {
        errno = 0;
        EXPECT_FALSE(m_Listener.Start(bad, 0)) << bad;
        EXPECT_EQ(errno, EINVAL);
        EXPECT_FALSE(m_Listener.IsStarted());
    }
}

TEST_F(UdpListenerTest, WaitsWhileTheLinkIsGoneAndListensAgainWhenItComesBack)
{
    m_Network.Set({ Loopback() });
    ASSERT_TRUE(m_Listener.Start("127.0.0.1", 0));
    const std::string port = Port();

    m_Network.Set({}); // the card unplugged, its address with it
    m_Listener.Follow();
    m_Listener.Follow();
    EXPECT_TRUE(m_Listener.IsWaiting());
    EXPECT_EQ(m_Listener.GetBoundPort(), 0);
    EXPECT_EQ(LogCount("Test: port " + port + " waits for address 127.0.0.1."), 1) << m_Log.Dump();
    errno = 0;
    EXPECT_FALSE(m_Listener.Send(kLoopback, m_Sender.localPort(), "lost", 4));
    EXPECT_EQ(errno, ENOTCONN);

    m_Network.Set({ Loopback() });
    m_Listener.Follow();
    m_Listener.Follow();
    ASSERT_TRUE(m_Listener.IsListening());
    EXPECT_EQ(Port(), port);
    EXPECT_EQ(m_Changes, 1);
    EXPECT_EQ(LogCount("Test: port " + port + " listening on 127.0.0.1 (lo)."), 1) << m_Log.Dump();
    SendTo("127.0.0.1", "heard again");
    ASSERT_TRUE(Settled(1, 0));
    EXPECT_EQ(m_Heard.back(), FromSender("heard again"));
}

TEST_F(UdpListenerTest, AnAddressThatComesAfterStartIsBoundWhenItComes)
{
    // The port is held by someone else when the address comes, then set free.
    QUdpSocket holder;
    ASSERT_TRUE(holder.bind(QHostAddress::AnyIPv4, 0, QAbstractSocket::DontShareAddress));
    const std::uint16_t port = holder.localPort();
    std::vector<int> failures;
    m_Listener.SetOpenFailed([&](int error) { failures.push_back(error); });

    ASSERT_TRUE(m_Listener.Start("127.0.0.1", port));
    EXPECT_TRUE(m_Listener.IsWaiting());
    EXPECT_EQ(m_Listener.GetAddress(), kLoopback);
    m_Listener.Follow();
    EXPECT_EQ(LogCount("Test: port " + std::to_string(port) + " waits for address 127.0.0.1."), 1)
        << m_Log.Dump();

    m_Network.Set({ Loopback() });
    m_Listener.Follow();
    m_Listener.Follow();
    EXPECT_EQ(failures, std::vector<int> { EADDRINUSE });
    EXPECT_FALSE(m_Listener.IsListening());

    holder.close();
    m_Listener.Follow();
    ASSERT_TRUE(m_Listener.IsListening());
    EXPECT_EQ(m_Listener.GetBoundPort(), port);
    EXPECT_EQ(m_Changes, 1);
    EXPECT_EQ(LogCount("Test: port " + std::to_string(port) + " listening on 127.0.0.1 (lo)."), 1)
        << m_Log.Dump();
    SendTo("127.0.0.1", "late but heard");
    ASSERT_TRUE(Settled(1, 0));
    EXPECT_EQ(m_Heard.back(), FromSender("late but heard"));
    EXPECT_EQ(m_Log.CountErrors(), 0);
}

TEST_F(UdpListenerTest, AutoSelectTakesThePrimaryAdapterWhenOneComesAndKeepsIt)
{
    // No adapter at start (DHCP late): every address is heard.
    ASSERT_TRUE(m_Listener.Start("", 0));
    ASSERT_TRUE(m_Listener.IsListening());
    EXPECT_EQ(m_Listener.GetAddress(), 0u);
    SendTo("127.0.0.2", "anywhere");
    ASSERT_TRUE(Settled(1, 0));

    m_Network.Set({ Loopback() });
    m_Listener.Follow();
    EXPECT_EQ(m_Listener.GetAddress(), kLoopback);
    EXPECT_EQ(m_Changes, 1);
    SendTo("127.0.0.2", "not its address any more");
    SendTo("127.0.0.1", "its address");
    ASSERT_TRUE(Settled(2, 1));
    EXPECT_EQ(m_Heard.back(), FromSender("its address"));

    // A cable pulled for a moment does not move it to the other network.
    AdapterRecord unplugged = Loopback();
    unplugged.connected = false;
    m_Network.Set({ unplugged, Adapter("eth9", { "10.9.9.9" }, kLo + 1000) });
    m_Listener.Follow();
    EXPECT_EQ(m_Listener.GetAddress(), kLoopback);
    EXPECT_EQ(m_Changes, 1);

    // Its address gone (a new lease), it takes the primary adapter's.
    m_Network.Set({ Adapter("eth9", { "10.9.9.9" }, kLo + 1000) });
    m_Listener.Follow();
    EXPECT_EQ(m_Listener.GetAddress(), 0x0a090909u);
    ASSERT_TRUE(m_Listener.GetAdapter());
    EXPECT_EQ(m_Listener.GetAdapter()->name, "eth9");
    EXPECT_EQ(m_Changes, 2);
}

} // namespace
