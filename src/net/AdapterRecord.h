#pragma once

#include "net/IPInfo.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexoNet {

// What the platform reports about one adapter, in the platform's own order.
// CNetworkSetup turns these into CNetworkAdapter objects.
struct AdapterRecord
{
    std::string name;
    std::string description;
    uint32_t index = 0;
    uint32_t type = 0;
    std::vector<uint8_t> physicalAddress;
    bool dhcpEnabled = false;
    std::string dhcpServer;
    int winsFlag = 0;
    std::string primaryWins;
    std::string secondaryWins;
    int64_t leaseObtained = 0;
    int64_t leaseExpires = 0;
    std::vector<CIPInfo> addresses; // platform order
    std::optional<CIPInfo> current;
    std::vector<std::string> gateways;
    std::optional<std::vector<std::string>> dnsServers; // nullopt: the per-adapter query failed
    bool connected = true; // up and with a carrier; a card whose cable is out is not
};

// The machine's adapters from getifaddrs (IPv4 addresses, AF_PACKET hardware
// addresses), gateways from /proc/net/route, DNS servers from /etc/resolv.conf.
// Loopback is left out, as on other platforms' adapter lists.
std::vector<AdapterRecord> ReadSystemAdapters();
// The same without gateways and DNS servers: getifaddrs only, no file read,
// cheap enough to ask once a second.
std::vector<AdapterRecord> ReadSystemInterfaces();

// Parsers of the two text sources, apart for testing.
std::vector<std::string> ParseRouteGateways(const std::string& routeTable, const std::string& interfaceName);
std::vector<std::string> ParseResolvConf(const std::string& text);

} // namespace vexoNet
