#pragma once

#include "core/UniqueFd.h"
#include "net/LocalInterface.h"
#include "net/NetworkSetup.h"

#include <QObject>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

class QSocketNotifier;
class QTimer;

namespace vexoNet {

// One datagram that passed the arrival check. Addresses are in host byte order.
struct UdpDatagram
{
    std::span<const std::uint8_t> bytes;
    std::uint32_t fromAddress = 0;
    std::uint16_t fromPort = 0;
    bool truncated = false; // longer than the listener's buffer, cut to it
};

// One UDP port of the player's network edge. The socket is bound to all IPv4
// addresses, as a socket bound to a unicast address hears no broadcast, and
// tied to the adapter that carries the chosen address (SO_BINDTODEVICE): a
// second player on that adapter and port fails loudly, one on another adapter
// does not. A datagram counts only when it arrived on that adapter addressed
// to the address, its subnet's broadcast or 255.255.255.255; where the kernel
// refuses the tie, that check alone keeps the other adapters out. Replies
// leave from the same socket, so through the same adapter.
//
// Once a second the adapter is looked up again: an address that goes away is
// waited for, one that comes (late DHCP, a card or cable plugged in after
// start) or comes back on another interface is bound then; with no address
// chosen the primary adapter's is followed, all addresses while there is
// none. Each change of state is logged once.
//
// Everything runs on the thread that owns the listener (the interface
// thread): the socket is non-blocking, watched by a QSocketNotifier, and one
// wake-up reads at most kMaxPerWakeUp datagrams.
class CUdpListener : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMaxPerWakeUp = 64;
    static constexpr int kFollowIntervalMs = 1000;

    using Receiver = std::function<void(const UdpDatagram&)>;

    // label starts its log lines ("OSC"); datagrams longer than maxDatagram
    // arrive cut to it and marked truncated.
    CUdpListener(std::string label, std::size_t maxDatagram, QObject* parent = nullptr);
    ~CUdpListener() override;
    CUdpListener(const CUdpListener&) = delete;
    CUdpListener& operator=(const CUdpListener&) = delete;

    void SetReceiver(Receiver receiver) { m_Receiver = std::move(receiver); }
    // Told after the socket moved to another adapter or address.
    void SetAdapterChanged(std::function<void()> changed) { m_AdapterChanged = std::move(changed); }
    // Told, instead of the generic log line, when a follow could not open the port.
    void SetOpenFailed(std::function<void(int error)> failed) { m_OpenFailed = std::move(failed); }
    void SetNetworkSource(CNetworkSetup::Source source) { m_Source = std::move(source); }

    // bindAddress: dotted IPv4, "0.0.0.0" for all addresses without a tie, ""
    // for the primary adapter's. False when the text is no such address or the
    // port could not be opened now (errno says why); nothing is logged. An
    // address that no adapter carries yet is waited for: true.
    bool Start(const std::string& bindAddress, std::uint16_t port);
    void Stop();
    // Looks the adapter up again; the listener's timer calls it once a second.
    void Follow();

    bool IsStarted() const { return m_bStarted; }
    bool IsListening() const { return static_cast<bool>(m_Socket); }
    bool IsWaiting() const { return m_bStarted && !m_Socket; }
    std::uint16_t GetBoundPort() const { return m_BoundPort; } // 0 while not listening
    std::uint32_t GetAddress() const { return m_Address; } // host order; 0: all addresses
    const std::optional<LocalInterface>& GetAdapter() const { return m_Adapter; }
    // Datagrams that did not pass the arrival check.
    std::uint64_t GetDiscardedCount() const { return m_nDiscarded; }

    // Sends from the listening socket; false (errno set) when it failed or
    // nothing is listening (ENOTCONN).
    bool Send(std::uint32_t address, std::uint16_t port, const void* data, std::size_t size);

private:
    void OnReadable();
    void ReadPending();
    bool Open(const std::optional<LocalInterface>& adapter);
    void Close();
    std::uint32_t Target() const;
    std::optional<LocalInterface> Locate(std::uint32_t address) const;
    bool Arrived(unsigned interfaceIndex, std::uint32_t to) const;

    std::string m_Label;
    std::size_t m_MaxDatagram;
    std::unique_ptr<std::uint8_t[]> m_Buffer;
    Receiver m_Receiver;
    std::function<void()> m_AdapterChanged;
    std::function<void(int)> m_OpenFailed;
    CNetworkSetup::Source m_Source;
    std::unique_ptr<QTimer> m_pFollowTimer;

    bool m_bStarted = false;
    std::optional<std::uint32_t> m_Chosen; // none: the primary adapter's address
    std::uint16_t m_Port = 0;
    std::uint32_t m_Address = 0;
    std::optional<LocalInterface> m_Adapter; // none while bound to all addresses
    CUniqueFd m_Socket;
    std::unique_ptr<QSocketNotifier> m_pNotifier;
    std::uint16_t m_BoundPort = 0;
    bool m_bWaiting = false; // logged as waiting for m_Address
    bool m_bReceiving = false;
    bool m_bOpenFailed = false; // logged once until the port opens again
    std::uint64_t m_nDiscarded = 0;
};

} // namespace vexoNet
