#pragma once

#include <string>

namespace vexoNet {

// One IPv4 address with its mask, both dotted decimal.
struct CIPInfo
{
    std::string m_Address;
    std::string m_Mask;
};

} // namespace vexoNet
