#include "net/NetworkSetup.h"

namespace vexoNet {

CNetworkSetup::CNetworkSetup()
    : CNetworkSetup(&ReadSystemAdapters)
{
}

CNetworkSetup::CNetworkSetup(Source source)
    : m_Source(std::move(source))
{
    Refresh();
}

void CNetworkSetup::Refresh()
{
    m_Adapters.clear();
    if (!m_Source)
        return;
    for (const AdapterRecord& record : m_Source())
        m_Adapters.push_back(std::make_unique<CNetworkAdapter>(this, record));
}

const CNetworkAdapter* CNetworkSetup::GetAdapter(int index) const
{
    if (index < 0 || index >= GetAdapterCount())
        return nullptr;
    return m_Adapters[static_cast<size_t>(index)].get();
}

const CNetworkAdapter* CNetworkSetup::GetPrimaryAdapter() const
{
    // An adapter with no address at all is no more usable than one with 0.0.0.0, and
    // one that is down or has lost its carrier keeps its address but reaches nobody.
    for (const auto& adapter : m_Adapters) {
        const std::string address = adapter->GetAddress();
        if (adapter->IsConnected() && !address.empty() && address != "0.0.0.0")
            return adapter.get();
    }
    return nullptr;
}

std::string CNetworkSetup::GetPrimaryAddress() const
{
    const CNetworkAdapter* adapter = GetPrimaryAdapter();
    return adapter ? adapter->GetAddress() : std::string("0.0.0.0");
}

const CNetworkAdapter* CNetworkSetup::FindAdapterByAddress(const std::string& address) const
{
    for (const auto& adapter : m_Adapters) {
        const std::string own = adapter->GetAddress();
        if (own != "0.0.0.0" && own == address)
            return adapter.get();
    }
    return nullptr;
}

} // namespace vexoNet
