#pragma once

#include "net/NetworkSetup.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Adapter facts made up for a test, and a network of them that the test
// changes while the code under test keeps asking (links going, addresses
// coming late).
namespace FakeNetwork {

// An adapter with the addresses in the platform's order, each a /24, and a
// MAC whose last byte is the name's length.
inline vexoNet::AdapterRecord Adapter(
    const std::string& name, const std::vector<std::string>& addresses, std::uint32_t index = 0)
{
    vexoNet::AdapterRecord record;
    record.name = record.description = name;
    record.index = index;
    for (const auto& a : addresses)
        record.addresses.push_back({ a, "255.255.255.0" });
    record.physicalAddress = { 0x02, 0x00, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(name.size()) };
    return record;
}

// What the source hands out is what the test last set.
class Network
{
public:
    void Set(std::vector<vexoNet::AdapterRecord> adapters) { *m_Adapters = std::move(adapters); }
    vexoNet::CNetworkSetup::Source Source() const
    {
        return [adapters = m_Adapters] { return *adapters; };
    }

private:
    std::shared_ptr<std::vector<vexoNet::AdapterRecord>> m_Adapters
        = std::make_shared<std::vector<vexoNet::AdapterRecord>>();
};

} // namespace FakeNetwork
