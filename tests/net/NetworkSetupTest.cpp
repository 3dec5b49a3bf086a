#include "net/NetworkSetup.h"

#include "support/FakeNetwork.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

using FakeNetwork::Adapter;
using vexoNet::AdapterRecord;
using vexoNet::CNetworkSetup;

namespace {

CNetworkSetup SetupOf(std::vector<AdapterRecord> records)
{
    return CNetworkSetup([records] { return records; });
}

} // namespace

TEST(NetworkSetup, LastReportedAddressComesFirst)
{
    const CNetworkSetup setup = SetupOf({ Adapter("eth0", { "10.0.0.5", "10.0.0.6" }) });
    ASSERT_EQ(setup.GetAdapterCount(), 1);
    EXPECT_EQ(setup.GetAdapter(0)->GetAddress(), "10.0.0.6");
    EXPECT_EQ(setup.GetAdapter(0)->GetAddresses().back().m_Address, "10.0.0.5");
    EXPECT_EQ(setup.GetAdapter(1), nullptr);
    EXPECT_EQ(setup.GetAdapter(-1), nullptr);
}

TEST(NetworkSetup, CurrentAddressWinsOverTheList)
{
    AdapterRecord record = Adapter("eth0", { "10.0.0.5" });
    record.current = vexoNet::CIPInfo { "192.168.1.9", "255.255.255.0" };
    const CNetworkSetup setup = SetupOf({ record });
    EXPECT_EQ(setup.GetAdapter(0)->GetAddress(), "192.168.1.9");
}

TEST(NetworkSetup, DisconnectedAdaptersAreNeverPrimaryNorFound)
{
    const CNetworkSetup lonely = SetupOf({ Adapter("eth0", { "0.0.0.0" }) });
    EXPECT_EQ(lonely.GetPrimaryAdapter(), nullptr);
    EXPECT_EQ(lonely.GetPrimaryAddress(), "0.0.0.0");
    EXPECT_EQ(lonely.FindAdapterByAddress("0.0.0.0"), nullptr);

    const CNetworkSetup two = SetupOf({ Adapter("eth0", { "0.0.0.0" }), Adapter("wlan0", { "10.1.2.3" }),
        Adapter("eth1", { "10.9.9.9" }) });
    EXPECT_EQ(two.GetPrimaryAddress(), "10.1.2.3");
    ASSERT_NE(two.FindAdapterByAddress("10.9.9.9"), nullptr);
    EXPECT_EQ(two.FindAdapterByAddress("10.9.9.9")->GetName(), "eth1");
    EXPECT_EQ(two.FindAdapterByAddress("10.9.9.99"), nullptr);
}

TEST(NetworkSetup, AdapterDownOrWithoutCarrierIsNeverPrimaryButStillFound)
{
    AdapterRecord unplugged = Adapter("eth0", { "10.1.0.5" });
    unplugged.connected = false;
    const CNetworkSetup setup = SetupOf({ unplugged, Adapter("eth1", { "10.2.0.5" }) });
    EXPECT_EQ(setup.GetPrimaryAddress(), "10.2.0.5");
    // Chosen by hand, it is still the adapter of its address (its MAC goes into the status).
    ASSERT_NE(setup.FindAdapterByAddress("10.1.0.5"), nullptr);
    EXPECT_FALSE(setup.FindAdapterByAddress("10.1.0.5")->IsConnected());
    EXPECT_EQ(SetupOf({ unplugged }).GetPrimaryAddress(), "0.0.0.0");
}

TEST(NetworkSetup, EmptySourceAndPhysicalAddressLimits)
{
    const CNetworkSetup none = SetupOf({});
    EXPECT_EQ(none.GetAdapterCount(), 0);
    EXPECT_EQ(none.GetPrimaryAddress(), "0.0.0.0");

    AdapterRecord record = Adapter("ib0", { "10.0.0.1" });
    record.physicalAddress.assign(20, 0xAB); // longer than any adapter address we keep
    const CNetworkSetup setup = SetupOf({ record });
    int length = 0;
    const uint8_t* bytes = setup.GetAdapter(0)->GetPhysicalAddress(length);
    EXPECT_EQ(length, 8);
    EXPECT_EQ(bytes[7], 0xAB);
}

TEST(NetworkSetup, RouteAndResolverParsing)
{
    const std::string routes = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\n"
                               "eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\n"
                               "eth0\t0001A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\n"
                               "eth1\t00000000\t010010AC\t0003\t0\t0\t100\t00000000\n";
    EXPECT_EQ(vexoNet::ParseRouteGateways(routes, "eth0"), std::vector<std::string> { "192.168.1.1" });
    EXPECT_EQ(vexoNet::ParseRouteGateways(routes, "eth1"), std::vector<std::string> { "172.16.0.1" });
    EXPECT_TRUE(vexoNet::ParseRouteGateways("garbage", "eth0").empty());

    const std::string resolv
        = "# comment\nnameserver 10.0.0.53\nnameserver fe80::1\nsearch example\nnameserver 8.8.8.8\n";
    EXPECT_EQ(vexoNet::ParseResolvConf(resolv), (std::vector<std::string> { "10.0.0.53", "8.8.8.8" }));
}

TEST(NetworkSetup, SystemSnapshotIsConsistent)
{
    // Whatever this machine has: no loopback, and every primary address is findable.
    const CNetworkSetup setup;
    for (int i = 0; i < setup.GetAdapterCount(); ++i)
        EXPECT_NE(setup.GetAdapter(i)->GetName(), "lo");
    const std::string primary = setup.GetPrimaryAddress();
    if (primary != "0.0.0.0") {
        EXPECT_EQ(setup.FindAdapterByAddress(primary), setup.GetPrimaryAdapter());
    }
}
