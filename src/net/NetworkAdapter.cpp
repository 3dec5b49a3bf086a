#include "net/NetworkAdapter.h"

#include "net/AdapterRecord.h"

#include <algorithm>
#include <cstring>

namespace vexoNet {

namespace {
const char* const kNoAddress = "0.0.0.0";
}

CNetworkAdapter::CNetworkAdapter(CNetworkSetup* owner, const AdapterRecord& record)
    : m_pOwner(owner)
    , m_LeaseObtained(record.leaseObtained)
    , m_LeaseExpires(record.leaseExpires)
    , m_bDhcpEnabled(record.dhcpEnabled)
    , m_bHasWins(record.winsFlag == 1)
    , m_bConnected(record.connected)
    , m_AdapterType(record.type)
    , m_InterfaceIndex(record.index)
    , m_CurrentAddress { kNoAddress, kNoAddress }
    , m_AdapterName(record.name)
    , m_Description(record.description)
    , m_DhcpServer(record.dhcpServer)
    , m_PrimaryWins(record.primaryWins)
    , m_SecondaryWins(record.secondaryWins)
    , m_Gateways(record.gateways)
{
    m_PhysicalLength
        = static_cast<int>(std::min<size_t>(record.physicalAddress.size(), sizeof(m_PhysicalAddress)));
    if (m_PhysicalLength > 0)
        std::memcpy(m_PhysicalAddress, record.physicalAddress.data(), static_cast<size_t>(m_PhysicalLength));
    for (const CIPInfo& info : record.addresses)
        m_Addresses.insert(m_Addresses.begin(), info);
    if (record.current)
        m_CurrentAddress = *record.current;
    if (record.dnsServers)
        m_DnsServers = *record.dnsServers;
}

std::string CNetworkAdapter::GetAddress() const
{
    if (m_CurrentAddress.m_Address != kNoAddress)
        return m_CurrentAddress.m_Address;
    return m_Addresses.empty() ? std::string() : m_Addresses.front().m_Address;
}

const uint8_t* CNetworkAdapter::GetPhysicalAddress(int& length) const
{
    length = m_PhysicalLength;
    return m_PhysicalAddress;
}

} // namespace vexoNet
