#include "net/AdapterRecord.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <net/route.h>
#include <netpacket/packet.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

namespace vexoNet {

namespace {

struct IfAddrsDeleter
{
    void operator()(ifaddrs* list) const { freeifaddrs(list); }
};

std::string ToDotted(const sockaddr* address)
{
    if (!address || address->sa_family != AF_INET)
        return "0.0.0.0";
    char text[INET_ADDRSTRLEN] = {};
    const auto* in = reinterpret_cast<const sockaddr_in*>(address);
    inet_ntop(AF_INET, &in->sin_addr, text, sizeof(text));
    return text;
}

std::string ReadFile(const char* path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

AdapterRecord& RecordFor(std::vector<AdapterRecord>& records, const char* name)
{
    for (AdapterRecord& record : records)
        if (record.name == name)
            return record;
    AdapterRecord& record = records.emplace_back();
    record.name = name;
    record.description = name;
    record.index = if_nametoindex(name);
    return record;
}

} // namespace

std::vector<std::string> ParseRouteGateways(const std::string& routeTable, const std::string& interfaceName)
{
    // Iface Destination Gateway Flags ...; addresses are hex in network byte order.
    std::vector<std::string> gateways;
    std::istringstream lines(routeTable);
    std::string line;
    std::getline(lines, line); // header
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string iface, destination, gateway, flagsText;
        if (!(fields >> iface >> destination >> gateway >> flagsText) || iface != interfaceName)
            continue;
        unsigned long flags = 0, address = 0;
        if (std::sscanf(flagsText.c_str(), "%lx", &flags) != 1
            || std::sscanf(gateway.c_str(), "%lx", &address) != 1)
            continue;
        if (!(flags & RTF_GATEWAY) || address == 0)
            continue;
        in_addr in {};
        in.s_addr = static_cast<in_addr_t>(address);
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &in, text, sizeof(text));
        gateways.emplace_back(text);
    }
    return gateways;
}

std::vector<std::string> ParseResolvConf(const std::string& text)
{
    std::vector<std::string> servers;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string keyword, address;
        if (fields >> keyword >> address && keyword == "nameserver") {
            in_addr probe {};
            if (inet_pton(AF_INET, address.c_str(), &probe) == 1)
                servers.push_back(address);
        }
    }
    return servers;
}

std::vector<AdapterRecord> ReadSystemInterfaces()
{
    std::vector<AdapterRecord> records;
    ifaddrs* raw = nullptr;
    if (getifaddrs(&raw) != 0)
        return records;
    const std::unique_ptr<ifaddrs, IfAddrsDeleter> list(raw);

    for (const ifaddrs* entry = list.get(); entry; entry = entry->ifa_next) {
        if (!entry->ifa_name || (entry->ifa_flags & IFF_LOOPBACK) || !entry->ifa_addr)
            continue;
        const int family = entry->ifa_addr->sa_family;
        if (family != AF_PACKET && family != AF_INET)
            continue;
        AdapterRecord& record = RecordFor(records, entry->ifa_name);
        // IFF_RUNNING is the carrier: an unplugged cable clears it while the link stays up.
        record.connected = (entry->ifa_flags & IFF_UP) && (entry->ifa_flags & IFF_RUNNING);
        if (family == AF_PACKET) {
            const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
            const size_t length = std::min<size_t>(link->sll_halen, sizeof(link->sll_addr));
            record.physicalAddress.assign(link->sll_addr, link->sll_addr + length);
            record.type = link->sll_hatype;
        } else {
            record.addresses.push_back({ ToDotted(entry->ifa_addr), ToDotted(entry->ifa_netmask) });
        }
    }

    // An adapter without IPv4 is listed with 0.0.0.0, like a disconnected one.
    for (AdapterRecord& record : records)
        if (record.addresses.empty())
            record.addresses.push_back({ "0.0.0.0", "0.0.0.0" });
    return records;
}

std::vector<AdapterRecord> ReadSystemAdapters()
{
    std::vector<AdapterRecord> records = ReadSystemInterfaces();
    const std::string routes = ReadFile("/proc/net/route");
    const std::string resolv = ReadFile("/etc/resolv.conf");
    for (AdapterRecord& record : records) {
        record.gateways = ParseRouteGateways(routes, record.name);
        record.dnsServers = ParseResolvConf(resolv);
    }
    return records;
}

} // namespace vexoNet
