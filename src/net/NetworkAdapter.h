#pragma once

#include "net/IPInfo.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vexoNet {

class CNetworkSetup;
struct AdapterRecord;

// One network adapter of a CNetworkSetup snapshot.
// Invariant: m_Addresses holds the platform's addresses in reverse order, so the
// last address reported is the first entry.
class CNetworkAdapter
{
public:
    CNetworkAdapter(CNetworkSetup* owner, const AdapterRecord& record);
    virtual ~CNetworkAdapter() = default;

    // The current address unless it is "0.0.0.0", else the first address of the list, else "".
    std::string GetAddress() const;
    const std::string& GetDescription() const { return m_Description; }
    const std::string& GetName() const { return m_AdapterName; }
    const uint8_t* GetPhysicalAddress(int& length) const;
    const std::vector<CIPInfo>& GetAddresses() const { return m_Addresses; }
    const std::vector<std::string>& GetGateways() const { return m_Gateways; }
    const std::vector<std::string>& GetDnsServers() const { return m_DnsServers; }
    uint32_t GetIndex() const { return m_InterfaceIndex; }
    bool IsConnected() const { return m_bConnected; }

private:
    CNetworkSetup* m_pOwner;
    int64_t m_LeaseObtained;
    int64_t m_LeaseExpires;
    bool m_bDhcpEnabled;
    bool m_bHasWins;
    bool m_bConnected;
    uint32_t m_AdapterType;
    uint32_t m_InterfaceIndex;
    CIPInfo m_CurrentAddress;
    uint8_t m_PhysicalAddress[8] = {};
    int m_PhysicalLength = 0;
    std::string m_AdapterName;
    std::string m_Description;
    std::string m_DhcpServer;
    std::string m_PrimaryWins;
    std::string m_SecondaryWins;
    std::vector<std::string> m_DnsServers;
    std::vector<std::string> m_Gateways;
    std::vector<CIPInfo> m_Addresses;
};

} // namespace vexoNet
