#include "net/LocalInterface.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>

#include <memory>

namespace vexoNet {

namespace {

struct IfAddrsDeleter
{
    void operator()(ifaddrs* list) const { freeifaddrs(list); }
};

uint32_t HostOrder(const sockaddr* address)
{
    return ntohl(reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr);
}

} // namespace

std::optional<LocalInterface> FindLocalInterface(uint32_t address)
{
    ifaddrs* raw = nullptr;
    if (address == 0 || getifaddrs(&raw) != 0)
        return std::nullopt;
    const std::unique_ptr<ifaddrs, IfAddrsDeleter> list(raw);
    for (const ifaddrs* entry = list.get(); entry; entry = entry->ifa_next) {
        if (!entry->ifa_name || !entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET
            || HostOrder(entry->ifa_addr) != address)
            continue;
        LocalInterface found;
        found.index = if_nametoindex(entry->ifa_name);
        if (found.index == 0)
            continue; // gone since the snapshot
        found.name = entry->ifa_name;
        found.address = address;
        const uint32_t mask = entry->ifa_netmask ? HostOrder(entry->ifa_netmask) : 0xFFFFFFFFu;
        found.broadcast = address | ~mask;
        return found;
    }
    return std::nullopt;
}

std::optional<LocalInterface> FindLocalInterface(const std::vector<AdapterRecord>& adapters, uint32_t address)
{
    if (address == 0)
        return std::nullopt;
    for (const AdapterRecord& adapter : adapters) {
        for (const CIPInfo& info : adapter.addresses) {
            in_addr own {}, mask {};
            if (inet_pton(AF_INET, info.m_Address.c_str(), &own) != 1 || ntohl(own.s_addr) != address)
                continue;
            const uint32_t bits
                = inet_pton(AF_INET, info.m_Mask.c_str(), &mask) == 1 ? ntohl(mask.s_addr) : 0xFFFFFFFFu;
            return LocalInterface { adapter.index, adapter.name, address, address | ~bits };
        }
    }
    return std::nullopt;
}

} // namespace vexoNet
