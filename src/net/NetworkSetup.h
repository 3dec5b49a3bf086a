#pragma once

#include "net/AdapterRecord.h"
#include "net/NetworkAdapter.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vexoNet {

// A snapshot of the machine's IPv4 adapters: construct, ask, destroy.
class CNetworkSetup
{
public:
    using Source = std::function<std::vector<AdapterRecord>()>;

    CNetworkSetup();
    explicit CNetworkSetup(Source source); // another source of adapter facts (tests)
    virtual ~CNetworkSetup() = default;
    CNetworkSetup(const CNetworkSetup&) = delete; // adapters point back at their setup
    CNetworkSetup& operator=(const CNetworkSetup&) = delete;

    void Refresh();
    int GetAdapterCount() const { return static_cast<int>(m_Adapters.size()); }
    const CNetworkAdapter* GetAdapter(int index) const;
    // First adapter that is connected and whose address is not "0.0.0.0".
    const CNetworkAdapter* GetPrimaryAdapter() const;
    std::string GetPrimaryAddress() const;
    // First adapter whose address equals the text; "0.0.0.0" never matches.
    const CNetworkAdapter* FindAdapterByAddress(const std::string& address) const;

private:
    Source m_Source;
    std::vector<std::unique_ptr<CNetworkAdapter>> m_Adapters;
};

} // namespace vexoNet
