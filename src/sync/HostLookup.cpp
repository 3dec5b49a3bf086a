#include "sync/HostLookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <mutex>
#include <thread>

struct CHostLookup::Shared
{
    std::mutex mutex;
    bool done = false;
    bool ok = false;
    std::string address;
    std::string error;
};

bool CHostLookup::ParseIPv4(const std::string& text, uint32_t& address)
{
    in_addr parsed {};
    if (inet_pton(AF_INET, text.c_str(), &parsed) != 1)
        return false;
    address = ntohl(parsed.s_addr);
    return true;
}

bool CHostLookup::Running() const
{
    if (!m_pShared)
        return false;
    std::lock_guard<std::mutex> lock(m_pShared->mutex);
    return !m_pShared->done;
}

bool CHostLookup::Start(const std::string& name)
{
    if (Running())
        return false;
    auto shared = std::make_shared<Shared>();
    m_pShared = shared;
    std::thread([shared, name] {
        addrinfo hints {};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_DGRAM;
        addrinfo* found = nullptr;
        const int code = getaddrinfo(name.c_str(), nullptr, &hints, &found);
        std::string address;
        if (code == 0 && found) {
            char text[INET_ADDRSTRLEN] = {};
            const auto* in = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
            if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text))
                address = text;
        }
        if (found)
            freeaddrinfo(found);
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->done = true;
        shared->ok = !address.empty();
        shared->address = address;
        shared->error = code != 0 ? gai_strerror(code) : "no IPv4 address";
    }).detach();
    return true;
}

CHostLookup::Result CHostLookup::Poll(std::string& address, std::string& error)
{
    if (!m_pShared)
        return RESULT_IDLE;
    std::lock_guard<std::mutex> lock(m_pShared->mutex);
    if (!m_pShared->done)
        return RESULT_PENDING;
    address = m_pShared->address;
    error = m_pShared->error;
    return m_pShared->ok ? RESULT_DONE : RESULT_FAILED;
}
