#pragma once

#include "net/AdapterRecord.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexoNet {

// The interface that carries one local IPv4 address at this moment, loopback
// included: what the remote-control sockets tie themselves to. Addresses are
// in host byte order.
struct LocalInterface
{
    unsigned index = 0;
    std::string name;
    uint32_t address = 0;
    uint32_t broadcast = 0; // the address's subnet broadcast
};

// Nothing when no interface carries the address (or it is 0.0.0.0).
std::optional<LocalInterface> FindLocalInterface(uint32_t address);
// The same answer from adapter facts (a test's made-up network): the first
// adapter that lists the address, whether or not its link is up.
std::optional<LocalInterface> FindLocalInterface(
    const std::vector<AdapterRecord>& adapters, uint32_t address);

} // namespace vexoNet
