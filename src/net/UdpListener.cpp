#include "net/UdpListener.h"

#include "core/Log.h"

#include <QSocketNotifier>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace vexoNet {

namespace {

std::string Dotted(std::uint32_t address)
{
    in_addr in {};
    in.s_addr = htonl(address);
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &in, text, sizeof text);
    return text;
}

// Dotted quads only: inet_aton would also take "10.1" or "167772161".
std::optional<std::uint32_t> ParseDotted(const std::string& text)
{
    const bool digitsAndDots
        = std::all_of(text.begin(), text.end(), [](char c) { return c == '.' || (c >= '0' && c <= '9'); });
    in_addr in {};
    if (!digitsAndDots || std::count(text.begin(), text.end(), '.') != 3
        || inet_pton(AF_INET, text.c_str(), &in) != 1)
        return std::nullopt;
    return ntohl(in.s_addr);
}

} // namespace

CUdpListener::CUdpListener(std::string label, std::size_t maxDatagram, QObject* parent)
    : QObject(parent)
    , m_Label(std::move(label))
    , m_MaxDatagram(maxDatagram)
    , m_pFollowTimer(std::make_unique<QTimer>())
{
    m_pFollowTimer->setInterval(kFollowIntervalMs);
    connect(m_pFollowTimer.get(), &QTimer::timeout, this, &CUdpListener::Follow);
}

CUdpListener::~CUdpListener()
{
    Stop();
}

bool CUdpListener::Start(const std::string& bindAddress, std::uint16_t port)
{
    Stop();
    if (!bindAddress.empty()) {
        m_Chosen = ParseDotted(bindAddress);
        if (!m_Chosen) {
            errno = EINVAL;
            return false;
        }
    }
    m_Port = port;
    m_bStarted = true;
    m_Address = Target();
    const auto adapter = Locate(m_Address);
    if (m_Address != 0 && !adapter) {
        m_bWaiting = true;
        LogMessage("%s: port %u waits for address %s.\n", m_Label.c_str(), m_Port, Dotted(m_Address).c_str());
    } else if (!Open(adapter)) {
        const int error = errno;
        Stop();
        errno = error;
        return false;
    }
    m_pFollowTimer->start();
    return true;
}

void CUdpListener::Stop()
{
    Close();
    m_pFollowTimer->stop();
    m_bStarted = false;
    m_bWaiting = false;
    m_bOpenFailed = false;
    m_Chosen.reset();
    m_Address = 0;
}

void CUdpListener::Follow()
{
    if (!m_bStarted)
        return;
    const std::uint32_t target = Target();
    const auto adapter = Locate(target);
    if (target != 0 && !adapter) {
        if (m_bWaiting && target == m_Address)
            return;
        Close();
        m_Address = target;
        m_bWaiting = true;
        m_bOpenFailed = false;
        LogMessage("%s: port %u waits for address %s.\n", m_Label.c_str(), m_Port, Dotted(target).c_str());
        return;
    }
    const bool sameAdapter = adapter ? m_Adapter && m_Adapter->index == adapter->index : !m_Adapter;
    if (m_Socket && target == m_Address && sameAdapter) {
        m_Adapter = adapter; // a new mask moves the subnet's broadcast
        return;
    }
    Close();
    m_Address = target;
    if (!Open(adapter)) {
        const int error = errno;
        if (!m_bOpenFailed) {
            if (m_OpenFailed)
                m_OpenFailed(error);
            else
                LogError("%s: UDP port %u not opened: %s\n", m_Label.c_str(), m_Port, std::strerror(error));
        }
        m_bOpenFailed = true;
        return;
    }
    m_bWaiting = false;
    m_bOpenFailed = false;
    LogMessage("%s: port %u listening on %s (%s).\n", m_Label.c_str(), m_BoundPort, Dotted(target).c_str(),
        adapter ? adapter->name.c_str() : "all adapters");
    if (m_AdapterChanged)
        m_AdapterChanged();
}

std::uint32_t CUdpListener::Target() const
{
    if (m_Chosen)
        return *m_Chosen;
    // "Auto Select" keeps its address while an adapter carries it, so that a
    // cable pulled for a moment does not move the player to another network.
    if (m_Address != 0 && Locate(m_Address))
        return m_Address;
    const CNetworkSetup setup(m_Source ? m_Source : CNetworkSetup::Source(&ReadSystemInterfaces));
    return ParseDotted(setup.GetPrimaryAddress()).value_or(0);
}

std::optional<LocalInterface> CUdpListener::Locate(std::uint32_t address) const
{
    if (address == 0)
        return std::nullopt;
    return m_Source ? FindLocalInterface(m_Source(), address) : FindLocalInterface(address);
}

bool CUdpListener::Open(const std::optional<LocalInterface>& adapter)
{
    CUniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd)
        return false;
    // No SO_REUSEADDR: a second player on the same adapter and port must fail, not
    // split the datagrams with the first. The tie may be refused (old kernels want
    // privileges for it): the arrival check keeps the other adapters out then.
    if (adapter)
        ::setsockopt(fd.Get(), SOL_SOCKET, SO_BINDTODEVICE, adapter->name.c_str(),
            static_cast<socklen_t>(adapter->name.size()));
    const int on = 1;
    sockaddr_in endpoint {};
    endpoint.sin_family = AF_INET;
    endpoint.sin_addr.s_addr = htonl(INADDR_ANY);
    endpoint.sin_port = htons(m_Port);
    socklen_t length = sizeof endpoint;
    if (::setsockopt(fd.Get(), IPPROTO_IP, IP_PKTINFO, &on, sizeof on) != 0
        || ::setsockopt(fd.Get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0
        || ::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&endpoint), sizeof endpoint) != 0
        || ::getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&endpoint), &length) != 0)
        return false;
    m_BoundPort = ntohs(endpoint.sin_port);
    if (m_Port == 0)
        m_Port = m_BoundPort; // a move keeps the port the first bind chose
    m_Adapter = adapter;
    m_pNotifier = std::make_unique<QSocketNotifier>(fd.Get(), QSocketNotifier::Read);
    connect(m_pNotifier.get(), &QSocketNotifier::activated, this, &CUdpListener::OnReadable);
    m_Socket = std::move(fd);
    return true;
}

void CUdpListener::Close()
{
    if (m_pNotifier) {
        m_pNotifier->setEnabled(false);
        // The notifier may be the one emitting: it goes once its signal returns.
        if (m_bReceiving)
            m_pNotifier.release()->deleteLater();
        else
            m_pNotifier.reset();
    }
    m_Socket.Reset();
    m_Adapter.reset();
    m_BoundPort = 0;
}

bool CUdpListener::Arrived(unsigned interfaceIndex, std::uint32_t to) const
{
    if (!m_Adapter)
        return true;
    return interfaceIndex == m_Adapter->index
        && (to == m_Adapter->address || to == m_Adapter->broadcast || to == INADDR_BROADCAST);
}

void CUdpListener::OnReadable()
{
    const bool outer = !m_bReceiving;
    m_bReceiving = true;
    ReadPending();
    if (outer)
        m_bReceiving = false;
}

void CUdpListener::ReadPending()
{
    // A flood must not keep the event loop from timers and other input: the
    // rest of a burst is read at the next wake-up.
    std::vector<std::uint8_t> buffer(m_MaxDatagram);
    for (int n = 0; n < kMaxPerWakeUp && m_Socket; ++n) {
        sockaddr_in from {};
        iovec io { buffer.data(), buffer.size() };
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
        msghdr header {};
        header.msg_name = &from;
        header.msg_namelen = sizeof from;
        header.msg_iov = &io;
        header.msg_iovlen = 1;
        header.msg_control = control;
        header.msg_controllen = sizeof control;
        const ssize_t received = ::recvmsg(m_Socket.Get(), &header, MSG_DONTWAIT);
        if (received < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return;
            continue; // an error the socket reported once (an ICMP answer to a send)
        }
        unsigned interfaceIndex = 0;
        std::uint32_t to = 0;
        for (cmsghdr* c = CMSG_FIRSTHDR(&header); c != nullptr; c = CMSG_NXTHDR(&header, c)) {
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                in_pktinfo info {};
                std::memcpy(&info, CMSG_DATA(c), sizeof info);
                interfaceIndex = static_cast<unsigned>(info.ipi_ifindex);
                to = ntohl(info.ipi_addr.s_addr);
            }
        }
        if (!Arrived(interfaceIndex, to)) {
            ++m_nDiscarded;
            continue;
        }
        const UdpDatagram datagram { std::span<const std::uint8_t>(
                                         buffer.data(), static_cast<std::size_t>(received)),
            ntohl(from.sin_addr.s_addr), ntohs(from.sin_port), (header.msg_flags & MSG_TRUNC) != 0 };
        if (m_Receiver)
            m_Receiver(datagram);
    }
}

bool CUdpListener::Send(std::uint32_t address, std::uint16_t port, const void* data, std::size_t size)
{
    if (!m_Socket) {
        errno = ENOTCONN;
        return false;
    }
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(address);
    to.sin_port = htons(port);
    return ::sendto(m_Socket.Get(), data, size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) >= 0;
}

} // namespace vexoNet
