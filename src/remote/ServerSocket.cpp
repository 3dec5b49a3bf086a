#include "remote/ServerSocket.h"

#include "core/Log.h"
#include "core/TickClock.h"
#include "core/Preferences.h"
#include "remote/HostPort.h"
#include "remote/RemotePackets.h"

#include <QUdpSocket>

#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace {

// A flood must not keep the event loop from timers and other input: the rest
// of a burst is read at the next notification.
constexpr int kMaxDatagramsPerNotification = 64;

LPARAM SignExtended(std::int32_t value)
{
    return static_cast<LPARAM>(value);
}

} // namespace

CServerSocket::CServerSocket(CMessageTarget* owner, const CPreferences& prefs, QObject* parent)
    : QObject(parent)
    , m_pOwner(owner)
    , m_Prefs(prefs)
    , m_StatusAddress(QHostAddress::Broadcast)
    , m_StatusPort(RemotePackets::kStatusPort)
    , m_CommandPort(RemotePackets::kCommandPort)
    , m_Clock(TickCount)
{
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

std::optional<std::string> CServerSocket::StatusDestOption(const QStringList& arguments)
{
    static const QString kOption = QStringLiteral("--status-dest");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == kOption && i + 1 < arguments.size())
            return arguments[i + 1].toStdString();
        if (arguments[i].startsWith(kOption + QLatin1Char('=')))
            return arguments[i].mid(kOption.size() + 1).toStdString();
    }
    return std::nullopt;
}

void CServerSocket::SetStatusDestination(const QHostAddress& address, std::uint16_t port)
{
    m_StatusAddress = address;
    m_StatusPort = port;
}

std::uint16_t CServerSocket::GetBoundPort() const
{
    return m_pServerSocket ? m_pServerSocket->localPort() : 0;
}

void CServerSocket::SetFileName(std::string_view name)
{
    std::memset(m_szFileName, 0, sizeof m_szFileName);
    std::memcpy(m_szFileName, name.data(), std::min(name.size(), sizeof m_szFileName - 1));
}

bool CServerSocket::InitServer(const std::string& bindAddress)
{
    m_bInitialized = false;
    DisposeSocket(m_BroadcastSocket);
    DisposeSocket(m_pServerSocket);

    const vexoNet::CNetworkSetup setup
        = m_NetworkSource ? vexoNet::CNetworkSetup(m_NetworkSource) : vexoNet::CNetworkSetup();
    const std::string address = bindAddress.empty() ? setup.GetPrimaryAddress() : bindAddress;

    const auto bindTo = ParseIPv4(address);
    auto server = std::make_unique<QUdpSocket>();
    // No address sharing: a second player on the same port must fail loudly, not
    // split the commands with the first.
    if (!bindTo || !server->bind(*bindTo, m_CommandPort, QAbstractSocket::DontShareAddress)) {
        LogError("InitServer(): Server socket not created.\n");
        return false;
    }
    connect(server.get(), &QUdpSocket::readyRead, this, &CServerSocket::OnReceive);
    m_pServerSocket = std::move(server);

    auto broadcast = std::make_unique<QUdpSocket>();
    if (!broadcast->bind(QHostAddress::AnyIPv4, 0)) {
        LogError("InitServer(): Broadcast socket not created.\n");
        return false;
    }
    const int on = 1;
    if (::setsockopt(
            static_cast<int>(broadcast->socketDescriptor()), SOL_SOCKET, SO_BROADCAST, &on, sizeof on)
        != 0) {
        LogError("InitServer(): Broadcast socket failed.\n");
        return false;
    }
    m_BroadcastSocket = std::move(broadcast);

    m_MacAddress.fill(0);
    const std::string bound = m_pServerSocket->localAddress().toString().toStdString();
    if (const vexoNet::CNetworkAdapter* adapter = setup.FindAdapterByAddress(bound)) {
        int length = 0;
        const std::uint8_t* mac = adapter->GetPhysicalAddress(length);
        if (mac != nullptr && length == static_cast<int>(m_MacAddress.size()))
            std::memcpy(m_MacAddress.data(), mac, m_MacAddress.size());
    }

    m_bInitialized = true;
    return true;
}

void CServerSocket::DisposeSocket(std::unique_ptr<QUdpSocket>& socket)
{
    if (!socket)
        return;
    socket->close();
    // A handler may restart the server while the server socket is still emitting readyRead.
    if (m_bReceiving)
        socket.release()->deleteLater();
    else
        socket.reset();
}

void CServerSocket::CloseServer()
{
    DisposeSocket(m_BroadcastSocket);
    DisposeSocket(m_pServerSocket);
    m_iDuration = 0;
    m_iPosition = 0;
    m_iPlayState = 0;
    std::memset(m_szFileName, 0, sizeof m_szFileName);
    m_wVolume = 0;
    m_wActiveIndex = 0;
    m_bSendNow = false;
    m_iRecvIndex = 0;
    m_bInitialized = false;
}

void CServerSocket::OnReceive()
{
    // One byte more than a command: a longer datagram arrives cut and is rejected by its size.
    std::uint8_t datagram[RemotePackets::kCommandSize + 1];
    const bool outer = !m_bReceiving;
    m_bReceiving = true;
    ReadPending(datagram, sizeof datagram);
    if (outer)
        m_bReceiving = false;
}

void CServerSocket::ReadPending(std::uint8_t* datagram, std::size_t capacity)
{
    for (int n = 0; n < kMaxDatagramsPerNotification; ++n) {
        if (!m_pServerSocket || !m_pServerSocket->hasPendingDatagrams())
            return;
        const qint64 size
            = m_pServerSocket->readDatagram(reinterpret_cast<char*>(datagram), static_cast<qint64>(capacity));
        if (size < 0)
            return;
        HandleDatagram(std::span<const std::uint8_t>(datagram, static_cast<std::size_t>(size)));
    }
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
    const unsigned message = RemotePackets::MessageForCode(command->code);
    if (message != 0 && m_pOwner != nullptr) {
        // A negative index stays out of 0..1 when the handler reads it as unsigned.
        const auto player = static_cast<WPARAM>(SignExtended(command->player));
        LPARAM lParam = 0;
        if (message == WM_NET_OPEN)
            lParam = slot;
        else if (message == WM_NET_SEEK || message == WM_NET_UNUSED_12 || message == WM_NET_VOLUME)
            lParam = SignExtended(command->value);
        m_pOwner->SendMessage(message, player, lParam);
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
    RemotePackets::StatusRecord record;
    record.duration = m_iDuration;
    record.position = m_iPosition;
    record.playState = m_iPlayState;
    record.fileName.assign(m_szFileName, ::strnlen(m_szFileName, sizeof m_szFileName));
    record.volume = m_wVolume;
    record.activeIndex = m_wActiveIndex;
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

void CServerSocket::SendBroadcast(const std::uint8_t* data, std::size_t size)
{
    // A failed send is not reported: the next tick sends a fresh status anyway.
    if (m_BroadcastSocket && !m_StatusAddress.isNull())
        m_BroadcastSocket->writeDatagram(
            reinterpret_cast<const char*>(data), static_cast<qint64>(size), m_StatusAddress, m_StatusPort);
}
