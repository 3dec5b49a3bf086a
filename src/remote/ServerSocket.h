#pragma once

#include "core/Messages.h"
#include "core/UniqueFd.h"
#include "net/NetworkSetup.h"
#include "remote/RemotePackets.h"
#include "show/ShowCommand.h"

#include <QHostAddress>
#include <QObject>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

class CPreferences;
namespace vexoNet {
class CUdpListener;
}

// The player's end of the UDP remote-control protocol: receives command
// packets on the server socket and turns them into show commands 1124..1131
// (a wall's cue packets go to the cue handler); broadcasts the status record
// and text lines from a second socket.
// Bound to one address, both sockets belong to the adapter that carries it:
// commands count only when they arrive there, addressed to that address, its
// subnet's broadcast or 255.255.255.255, and packets leave only through it,
// whatever the routing table says (a show network has no gateway). The server
// socket is a CUdpListener, which follows the adapter and waits for an address
// that is not there yet; the sending socket is bound to the same address, made
// again when "Auto Select" moves to another.
// Invariant: m_iRecvIndex is 0..7 and names the slot the next valid command
// goes into; a rejected datagram leaves the index and every slot as they were.
// All work runs on the thread of the event loop (the UI thread).
class CServerSocket : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<std::uint32_t()>; // milliseconds, wrapping like a tick count
    static constexpr int kRingSlots = 8;

    // Commands go to sink (may be null); prefs says whether remote control is
    // on. Both outlive the socket.
    CServerSocket(CShowCommandSink* sink, const CPreferences& prefs, QObject* parent = nullptr);
    ~CServerSocket() override;
    CServerSocket(const CServerSocket&) = delete;
    CServerSocket& operator=(const CServerSocket&) = delete;

    bool InitServer(const std::string& bindAddress);
    void CloseServer();
    void PollStatus();
    void SendStatus();
    void SendText(const std::string& text);
    // Copies the 548 bytes of slot 0..7; any other slot copies nothing and returns false.
    bool GetCommandPacket(std::uint8_t* buffer, int slot) const;

    // Where status and text packets go; 255.255.255.255:31772 unless changed here
    // or by ZUVIO_STATUS_DEST=host:port at construction. False for a bad text.
    bool SetStatusDestination(const std::string& hostPort);
    void SetStatusDestination(const QHostAddress& address, std::uint16_t port);
    QHostAddress GetStatusAddress() const { return m_StatusAddress; }
    std::uint16_t GetStatusPort() const { return m_StatusPort; }
    // The command port for the next InitServer; 0 takes any free port (tests).
    void SetCommandPort(std::uint16_t port) { m_CommandPort = port; }
    std::uint16_t GetBoundPort() const; // 0 while closed
    void SetClock(Clock clock) { m_Clock = std::move(clock); }
    void SetNetworkSource(vexoNet::CNetworkSetup::Source source) { m_NetworkSource = std::move(source); }
    // A wall's cue packet: its slot in the ring.
    void SetCueHandler(std::function<void(int slot)> handler) { m_OnCue = std::move(handler); }

    // The status record the next status packet carries, handed over whole by
    // the main frame; the file name is cut to 127 characters.
    void SetStatus(RemotePackets::StatusRecord record);
    const RemotePackets::StatusRecord& GetStatus() const { return m_Status; }
    int GetRecvIndex() const { return m_iRecvIndex; }
    // The IPv4 address (host order) the command being handled came from.
    std::uint32_t GetLastSender() const { return m_LastSender; }
    // A command-sized packet to every player on the bound adapter's network
    // (255.255.255.255 on the command port; loopback while the status stays on
    // this machine), as a wall's leader sends its cues.
    void SendToPlayers(const RemotePackets::CommandBytes& packet);
    // Datagrams read and dropped: arrived elsewhere, remote control off, wrong
    // size or wrong magic.
    std::uint64_t GetDiscardedCount() const;
    bool IsInitialized() const { return m_bInitialized; }
    const std::array<std::uint8_t, 6>& GetMacAddress() const { return m_MacAddress; }

    bool m_bSendNow = false; // broadcast at the next PollStatus

    // What the server socket does with one datagram that arrived on its adapter:
    // check it and, when remote control is on and the packet is a command, store
    // it and send its message.
    void HandleDatagram(std::span<const std::uint8_t> bytes);

private:
    void SendBroadcast(const std::uint8_t* data, std::size_t size);
    void AcceptCommand(const std::uint8_t* packet);
    bool OpenBroadcastSocket();
    void FollowAdapter();
    void TakeMacAddress();

    CShowCommandSink* m_pSink;
    std::function<void(int slot)> m_OnCue;
    const CPreferences& m_Prefs;
    RemotePackets::StatusRecord m_Status; // its mac is taken from m_MacAddress when sent
    std::int32_t m_iRecvIndex = 0;
    std::array<std::uint8_t, 6> m_MacAddress {};
    std::array<std::array<std::uint8_t, 548>, kRingSlots> m_RecvRing {};
    std::uint32_t m_dwStatusStart = 0;
    bool m_bInitialized = false;
    std::uint32_t m_LastSender = 0;
    std::uint64_t m_nDiscarded = 0;
    std::unique_ptr<vexoNet::CUdpListener> m_pServerSocket;
    CUniqueFd m_BroadcastSocket;
    std::uint32_t m_BroadcastFrom = 0; // the address m_BroadcastSocket is bound to
    bool m_bSendFailed = false; // the last send failed and was logged

    QHostAddress m_StatusAddress;
    std::uint16_t m_StatusPort;
    std::uint16_t m_CommandPort;
    Clock m_Clock;
    vexoNet::CNetworkSetup::Source m_NetworkSource;
};
