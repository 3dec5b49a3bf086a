#pragma once

#include <cstdint>
#include <memory>
#include <string>

// Resolves a host name to one IPv4 address on a thread of its own, so a slow
// or absent name server never holds the caller, which polls. The thread is
// detached: a look-up that hangs ends with the resolver's own time-out, and
// its answer then goes nowhere. Invariant: one look-up runs at a time.
class CHostLookup
{
public:
    enum Result { RESULT_IDLE, RESULT_PENDING, RESULT_DONE, RESULT_FAILED };

    // False while an earlier look-up is still running.
    bool Start(const std::string& name);
    // RESULT_DONE: `address` holds the dotted quad; RESULT_FAILED: `error` the resolver's text.
    Result Poll(std::string& address, std::string& error);
    bool Running() const;

    // A dotted-quad IPv4 address (no name): its value in host order.
    static bool ParseIPv4(const std::string& text, uint32_t& address);

private:
    struct Shared;
    std::shared_ptr<Shared> m_pShared;
};
