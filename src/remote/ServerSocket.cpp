#include "remote/ServerSocket.h"

#include "core/Log.h"
#include "core/Preferences.h"
#include "core/TickClock.h"
#include "net/UdpListener.h"
#include "remote/HostPort.h"
#include "remote/RemotePackets.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace {

LPARAM SignExtended(std::int32_t value)
{
    return static_cast<LPARAM>(value);
}

sockaddr_in Endpoint(std::uint32_t address, std::uint16_t port)
{
    sockaddr_in endpoint {};
    endpoint.sin_family = AF_INET;
    endpoint.sin_addr.s_addr = htonl(address);
    endpoint.sin_port = htons(port);
    return endpoint;
}

int Bind(const CUniqueFd& fd, std::uint32_t address, std::uint16_t port)
{
    const sockaddr_in endpoint = Endpoint(address, port);
    return ::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&endpoint), sizeof endpoint);
}

} // namespace

CServerSocket::CServerSocket(CShowCommandSink* sink, const CPreferences& prefs, QObject* parent)
    : QObject(parent)
    , m_pSink(sink)
    , m_Prefs(prefs)
    , m_StatusAddress(QHostAddress::Broadcast)
    , m_StatusPort(RemotePackets::kStatusPort)
    , m_CommandPort(RemotePackets::kCommandPort)
    , m_Clock(TickCount)
{
    // One byte more than a command: a longer datagram arrives cut and is rejected by its size.
    m_pServerSocket
        = std::make_unique<vexoNet::CUdpListener>("Remote control", RemotePackets::kCommandSize + 1);
    m_pServerSocket->SetReceiver([this](const vexoNet::UdpDatagram& datagram) {
        m_LastSender = datagram.fromAddress;
        HandleDatagram(datagram.bytes);
    });
    m_pServerSocket->SetAdapterChanged([this] { FollowAdapter(); });
    m_pServerSocket->SetOpenFailed([](int) { LogError("InitServer(): Server socket not created.\n"); });
    if (const char* dest = std::getenv("ZUVIO_STATUS_DEST"); dest != nullptr && *dest != '\0') {
        if (!SetStatusDestination(dest))
            LogError(
                "CServerSocket: ZUVIO_STATUS_DEST \"%s\" is not address:port; no status packets are sent.\n",
                dest);
    }
}

CServerSocket::~CServerSocket() = default;

bool CServerSocket::SetStatusDestination(const std::string& hostPort)
{
    const auto parsed = ParseHostPort(hostPort, RemotePackets::kStatusPort);
    if (!parsed) {
        // An operator who meant to restrict where packets go must not get a broadcast instead.
        m_StatusAddress = QHostAddress();
        return false;
    }
    SetStatusDestination(parsed->address, parsed->port);
    return true;
}

void CServerSocket::SetStatusDestination(const QHostAddress& address, std::uint16_t port)
{
    m_StatusAddress = address;
    m_StatusPort = port;
}

std::uint16_t CServerSocket::GetBoundPort() const
{
    return m_pServerSocket->GetBoundPort();
}

std::uint64_t CServerSocket::GetDiscardedCount() const
{
    return m_nDiscarded + m_pServerSocket->GetDiscardedCount();
}

void CServerSocket::SetStatus(RemotePackets::StatusRecord record)
{
    if (record.fileName.size() > RemotePackets::kFileNameSize - 1)
        record.fileName.resize(RemotePackets::kFileNameSize - 1);
    m_Status = std::move(record);
}

bool CServerSocket::InitServer(const std::string& bindAddress)
{
    m_bInitialized = false;
    m_BroadcastSocket.Reset();
    m_pServerSocket->Stop();
    m_bSendFailed = false;

    // An address that no adapter carries yet is waited for: the server socket
    // opens when it comes.
    m_pServerSocket->SetNetworkSource(m_NetworkSource);
    if (!m_pServerSocket->Start(bindAddress, m_CommandPort)) {
        LogError("InitServer(): Server socket not created.\n");
        return false;
    }
    if (!OpenBroadcastSocket())
        return false;
    TakeMacAddress();
    m_bInitialized = true;
    return true;
}

bool CServerSocket::OpenBroadcastSocket()
{
    m_BroadcastSocket.Reset();
    // Sent from the bound address, 255.255.255.255 leaves through the adapter
    // that carries it, with or without a default route, and through no other.
    // Free binding: an address still awaited can be bound all the same.
    const std::uint32_t from = m_pServerSocket->GetAddress();
    CUniqueFd broadcast(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    const int on = 1;
    if (!broadcast || ::setsockopt(broadcast.Get(), IPPROTO_IP, IP_FREEBIND, &on, sizeof on) != 0
        || Bind(broadcast, from, 0) != 0) {
        LogError("InitServer(): Broadcast socket not created.\n");
        return false;
    }
    if (::setsockopt(broadcast.Get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
        LogError("InitServer(): Broadcast socket failed.\n");
        return false;
    }
    m_BroadcastSocket = std::move(broadcast);
    m_BroadcastFrom = from;
    return true;
}

void CServerSocket::FollowAdapter()
{
    // The server socket moved: to another interface (a card plugged in again, a
    // link made anew) or, with "Auto Select", to another address.
    if (m_bInitialized && m_pServerSocket->GetAddress() != m_BroadcastFrom)
        OpenBroadcastSocket();
    TakeMacAddress();
}

void CServerSocket::TakeMacAddress()
{
    m_MacAddress.fill(0);
    const vexoNet::CNetworkSetup setup
        = m_NetworkSource ? vexoNet::CNetworkSetup(m_NetworkSource) : vexoNet::CNetworkSetup();
    const vexoNet::CNetworkAdapter* adapter
        = setup.FindAdapterByAddress(QHostAddress(m_pServerSocket->GetAddress()).toString().toStdString());
    if (adapter == nullptr)
        return;
    int length = 0;
    const std::uint8_t* mac = adapter->GetPhysicalAddress(length);
    if (mac != nullptr && length == static_cast<int>(m_MacAddress.size()))
        std::memcpy(m_MacAddress.data(), mac, m_MacAddress.size());
}

void CServerSocket::CloseServer()
{
    m_BroadcastSocket.Reset();
    m_pServerSocket->Stop();
    m_Status = {};
    m_bSendNow = false;
    m_iRecvIndex = 0;
    m_bInitialized = false;
}

void CServerSocket::HandleDatagram(std::span<const std::uint8_t> bytes)
{
    // Commands that arrive while remote control is off are read and dropped; left
    // unread they would stall the socket's notifications for good.
    if (m_Prefs.m_iRemoteCtrl == 1
        && RemotePackets::CheckCommand(bytes) == RemotePackets::CommandCheck::Accepted)
        AcceptCommand(bytes.data());
    else
        ++m_nDiscarded;
}

void CServerSocket::AcceptCommand(const std::uint8_t* packet)
{
    const int slot = m_iRecvIndex;
    std::memcpy(m_RecvRing[static_cast<std::size_t>(slot)].data(), packet, RemotePackets::kCommandSize);
    const auto command = RemotePackets::DecodeCommand(m_RecvRing[static_cast<std::size_t>(slot)]);
    const bool cue
        = command->code == RemotePackets::CMD_SYNC_CUE || command->code == RemotePackets::CMD_SYNC_STATE;
    const unsigned message = cue ? 0 : RemotePackets::MessageForCode(command->code);
    if (cue) {
        if (m_OnCue)
            m_OnCue(slot);
    } else if (message != 0 && m_pSink != nullptr) {
        ShowCommand show;
        show.id = static_cast<ShowCommandId>(message);
        show.player = static_cast<int>(SignExtended(command->player)); // refused unless 0 or 1
        if (message == WM_NET_OPEN) {
            show.value = slot;
            show.text = command->text;
        } else if (message == WM_NET_SEEK || message == WM_NET_UNUSED_12 || message == WM_NET_VOLUME) {
            show.value = SignExtended(command->value);
        }
        m_pSink->Execute(show);
    }
    m_iRecvIndex = (slot + 1) % kRingSlots;
}

bool CServerSocket::GetCommandPacket(std::uint8_t* buffer, int slot) const
{
    if (buffer == nullptr || slot < 0 || slot >= kRingSlots)
        return false;
    std::memcpy(buffer, m_RecvRing[static_cast<std::size_t>(slot)].data(), RemotePackets::kCommandSize);
    return true;
}

void CServerSocket::PollStatus()
{
    if (!m_bInitialized)
        return;
    const std::uint32_t now = m_Clock();
    if (m_dwStatusStart == 0)
        m_dwStatusStart = now;
    if (now - m_dwStatusStart >= 1500 || m_bSendNow) {
        SendStatus();
        m_dwStatusStart = 0;
    }
}

void CServerSocket::SendStatus()
{
    if (!m_bInitialized)
        return;
    RemotePackets::StatusRecord record = m_Status;
    record.mac = m_MacAddress;
    const auto packet = RemotePackets::EncodeStatus(record);
    SendBroadcast(packet.data(), packet.size());
    m_bSendNow = false;
}

void CServerSocket::SendText(const std::string& text)
{
    if (text.empty() || !m_bInitialized)
        return;
    const auto packet = RemotePackets::EncodeText(text);
    SendBroadcast(packet.data(), packet.size());
}

void CServerSocket::SendToPlayers(const RemotePackets::CommandBytes& packet)
{
    if (!m_BroadcastSocket || m_pServerSocket->IsWaiting())
        return;
    // Status kept on this machine (tests, rehearsals) keeps the cues here too.
    const bool local
        = m_StatusAddress.isLoopback() && m_StatusAddress.protocol() == QAbstractSocket::IPv4Protocol;
    const sockaddr_in to = Endpoint(local ? m_StatusAddress.toIPv4Address() : INADDR_BROADCAST,
        m_CommandPort != 0 ? m_CommandPort : RemotePackets::kCommandPort);
    if (::sendto(m_BroadcastSocket.Get(), packet.data(), packet.size(), 0,
            reinterpret_cast<const sockaddr*>(&to), sizeof to)
        < 0)
        LogError("SendToPlayers(): Packet not sent: %s\n", std::strerror(errno));
}

void CServerSocket::SendBroadcast(const std::uint8_t* data, std::size_t size)
{
    // While the bound address is away nothing can leave through its adapter.
    if (!m_BroadcastSocket || m_pServerSocket->IsWaiting()
        || m_StatusAddress.protocol() != QAbstractSocket::IPv4Protocol)
        return;
    const sockaddr_in to = Endpoint(m_StatusAddress.toIPv4Address(), m_StatusPort);
    if (::sendto(m_BroadcastSocket.Get(), data, size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to)
        >= 0) {
        m_bSendFailed = false;
        return;
    }
    // Once until a send succeeds again: the logbook says why nothing is heard
    // without a line for every tick.
    const int error = errno;
    if (!m_bSendFailed)
        LogError("SendBroadcast(): Packet to %s:%u not sent: %s\n",
            m_StatusAddress.toString().toUtf8().constData(), m_StatusPort, std::strerror(error));
    m_bSendFailed = true;
}
