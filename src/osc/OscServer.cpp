#include "osc/OscServer.h"

#include "core/Log.h"
#include "core/Preferences.h"
#include "core/TickClock.h"
#include "core/UniqueFd.h"
#include "net/UdpListener.h"
#include "osc/OscDatagram.h"
#include "remote/HostPort.h"

#include <QHostAddress>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <sstream>
#include <string_view>

namespace {

constexpr std::int64_t kMaxLeaseSeconds = 3600;

std::string Dotted(std::uint32_t address)
{
    return QHostAddress(address).toString().toStdString();
}

// A number argument of any OSC numeric type, true and false included; NaN
// and infinity are no numbers.
// liblo hands out arguments at 4-byte offsets into the datagram: read them
// by copy, never through the 8-byte aligned union.
template <typename T> T Read(const lo_arg* arg)
{
    T value {};
    std::memcpy(&value, arg, sizeof value);
    return value;
}

const char* Text(const lo_arg* arg)
{
    return reinterpret_cast<const char*>(arg);
}

std::optional<double> Number(char type, const lo_arg* arg)
{
    double value = 0;
    switch (type) {
    case LO_INT32:
        value = Read<std::int32_t>(arg);
        break;
    case LO_INT64:
        value = static_cast<double>(Read<std::int64_t>(arg));
        break;
    case LO_FLOAT:
        value = Read<float>(arg);
        break;
    case LO_DOUBLE:
        value = Read<double>(arg);
        break;
    case LO_TRUE:
        return 1.0;
    case LO_FALSE:
        return 0.0;
    default:
        return std::nullopt;
    }
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

LPARAM Clamped(double value, double low, double high)
{
    return static_cast<LPARAM>(std::llround(std::clamp(value, low, high)));
}

// An address as a log line shows it: printable, and short.
std::string Printable(std::string_view text)
{
    constexpr std::size_t kShown = 64;
    std::string shown(text.substr(0, kShown));
    std::replace_if(
        shown.begin(), shown.end(), [](char c) { return c < 0x20 || c >= 0x7f; }, '?');
    if (text.size() > kShown)
        shown += "...";
    return shown;
}

} // namespace

COscServer::COscServer(CShowCommandSink* sink, const CPreferences& prefs, QObject* parent)
    : QObject(parent)
    , m_pSink(sink)
    , m_Prefs(prefs)
    , m_pListener(std::make_unique<vexoNet::CUdpListener>("OSC", kMaxDatagram))
    , m_Feedback([this](std::uint32_t address, std::uint16_t port, const void* data, std::size_t size) {
        SendDatagram(address, port, data, size);
    })
    , m_Clock(MonotonicMs)
{
    m_pListener->SetReceiver([this](const vexoNet::UdpDatagram& datagram) {
        HandleDatagram(datagram.bytes, datagram.fromAddress, datagram.fromPort, datagram.truncated);
    });
    static const char* const kPlayers[3] = { "a", "b", "active" };
    const std::pair<const char*, Action> perPlayer[] = { { "play", Action::Play }, { "pause", Action::Pause },
        { "stop", Action::Stop }, { "open", Action::Open }, { "seek", Action::Seek },
        { "volume", Action::Volume }, { "volume/db", Action::VolumeDb } };
    for (int player = 0; player < 3; ++player)
        for (const auto& [name, action] : perPlayer)
            m_Routes.push_back({ std::string("/zuvio/") + kPlayers[player] + "/" + name, action, player });
    m_Routes.push_back({ "/zuvio/cut", Action::Cut, 0 });
    m_Routes.push_back({ "/zuvio/cut/a", Action::CutTo, 0 });
    m_Routes.push_back({ "/zuvio/cut/b", Action::CutTo, 1 });
    m_Routes.push_back({ "/zuvio/take", Action::Take, 0 });
    m_Routes.push_back({ "/zuvio/playlist/go", Action::PlaylistGo, 0 });
    m_Routes.push_back({ "/zuvio/playlist/next", Action::PlaylistNext, 0 });
    m_Routes.push_back({ "/zuvio/playlist/previous", Action::PlaylistPrevious, 0 });
    m_Routes.push_back({ "/zuvio/playlist/loop", Action::Loop, 0 });
    m_Routes.push_back({ "/zuvio/playlist/repeat", Action::Repeat, 0 });
    m_Routes.push_back({ "/zuvio/playlist/autoadvance", Action::AutoAdvance, 0 });
    m_Routes.push_back({ "/zuvio/fullscreen", Action::Fullscreen, 0 });
    m_Routes.push_back({ "/zuvio/subscribe", Action::Subscribe, 0 });
    m_Routes.push_back({ "/zuvio/unsubscribe", Action::Unsubscribe, 0 });
    std::vector<std::string> paths;
    for (const Route& route : m_Routes)
        paths.push_back(route.path);
    m_Matcher = COscAddressMatcher(paths);
}

COscServer::~COscServer()
{
    Stop();
}

bool COscServer::Start(const Settings& settings)
{
    Stop();
    m_Settings = settings;
    if (!settings.enabled)
        return true;
    if (!OpenSocket())
        return false;
    ParseFeedbackDestinations();
    if (m_pListener->IsListening())
        LogMessage("OSC: listening on port %u.\n", m_pListener->GetBoundPort());
    return true;
}

void COscServer::Stop()
{
    m_pListener->Stop();
    m_Server.reset();
    m_Feedback.Clear();
    m_bSendFailed = false;
}

std::uint16_t COscServer::GetBoundPort() const
{
    return m_pListener->GetBoundPort();
}

std::uint64_t COscServer::GetDiscardedCount() const
{
    return m_nDiscarded + m_pListener->GetDiscardedCount();
}

void COscServer::ParseFeedbackDestinations()
{
    std::vector<std::pair<std::uint32_t, std::uint16_t>> destinations;
    std::string item;
    std::istringstream list(m_Settings.feedback);
    while (std::getline(list, item, ',')) {
        item.erase(0, item.find_first_not_of(" \t"));
        item.erase(item.find_last_not_of(" \t") + 1);
        if (item.empty())
            continue;
        const auto parsed = ParseHostPort(item);
        if (!parsed || parsed->port == 0) {
            LogError("OSC: feedback destination \"%s\" is not ADDR:PORT; left out.\n", item.c_str());
            continue;
        }
        destinations.emplace_back(parsed->address.toIPv4Address(), parsed->port);
    }
    m_Feedback.SetFixedDestinations(std::move(destinations));
}

bool COscServer::OpenSocket()
{
    m_pListener->SetNetworkSource(m_NetworkSource);
    if (!m_pListener->Start(m_Settings.bindAddress, m_Settings.port)) {
        const int error = errno;
        if (error == EINVAL)
            LogError(
                "OSC: no adapter carries \"%s\"; OSC server not started.\n", m_Settings.bindAddress.c_str());
        else
            LogError("OSC: UDP port %u not opened: %s\n", m_Settings.port, std::strerror(error));
        return false;
    }
    // liblo only decodes: its own socket, bound to a port on every address, is
    // replaced by one bound to none.
    LoServerPtr server(lo_server_new_with_proto(nullptr, LO_UDP, nullptr));
    const int loFd = server ? lo_server_get_socket_fd(server.get()) : -1;
    const CUniqueFd inert(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (loFd < 0 || !inert || ::dup2(inert.Get(), loFd) < 0 || ::fcntl(loFd, F_SETFD, FD_CLOEXEC) != 0) {
        LogError("OSC: liblo server not created.\n");
        m_pListener->Stop();
        return false;
    }
    // Bundles are dispatched as they arrive; a queue would only be drained by lo_server_recv.
    lo_server_enable_queue(server.get(), 0, 1);
    lo_server_add_method(server.get(), nullptr, nullptr, &COscServer::OnMessage, this);
    m_Server = std::move(server);
    return true;
}

void COscServer::HandleDatagram(
    std::span<const std::uint8_t> bytes, std::uint32_t fromAddress, std::uint16_t fromPort, bool truncated)
{
    // While remote control is off datagrams are read and dropped, as on the binary port.
    if (!m_Server || m_Prefs.m_iRemoteCtrl != 1) {
        ++m_nDiscarded;
        return;
    }
    const std::string sender = Dotted(fromAddress) + ":" + std::to_string(fromPort);
    if (truncated || bytes.size() > kMaxDatagram) {
        Reject("packet too large", "from " + sender);
        return;
    }
    const auto shape = OscDatagram::Check(bytes);
    if (shape != OscDatagram::Verdict::Accepted) {
        Reject(OscDatagram::Cause(shape), "from " + sender);
        return;
    }
    m_FromAddress = fromAddress;
    m_FromPort = fromPort;
    m_bValidSeen = false;
    // liblo wants writable bytes.
    std::vector<std::uint8_t> copy(bytes.begin(), bytes.end());
    const int result = copy.empty() ? -1 : lo_server_dispatch_data(m_Server.get(), copy.data(), copy.size());
    if (result <= 0)
        Reject("malformed packet", "from " + sender);
    if (m_bValidSeen)
        m_Feedback.Renew(fromAddress, m_Clock());
}

int COscServer::OnMessage(
    const char* path, const char* types, lo_arg** argv, int argc, lo_message, void* self)
{
    static_cast<COscServer*>(self)->Dispatch(path ? path : "", types ? types : "", argv, argc);
    return 0;
}

void COscServer::Dispatch(const char* path, const char* types, lo_arg** argv, int argc)
{
    // Read no further than the longest address accepted.
    const std::string_view address(path, ::strnlen(path, COscAddressMatcher::kMaxAddressLength + 1));
    std::vector<std::size_t> matches;
    const auto verdict = m_Matcher.Match(address, matches);
    if (verdict != COscAddressMatcher::Verdict::Matched) {
        const char* cause = COscAddressMatcher::Cause(verdict);
        Reject(cause ? cause : "unknown address", Printable(address));
        return;
    }
    for (const std::size_t i : matches) {
        if (!m_Server)
            break;
        // A copy: a handler may restart the server, though never rebuild the routes.
        const Route route = m_Routes[i];
        if (!Run(route, types, argv, argc))
            Reject("wrong arguments", route.path + " ," + Printable(types));
    }
}

int COscServer::Player(const Route& route) const
{
    return route.player == 2 ? m_State.active : route.player;
}

bool COscServer::Run(const Route& route, const char* types, lo_arg** argv, int argc)
{
    for (int i = 0; i < argc; ++i) {
        if ((types[i] == LO_STRING || types[i] == LO_SYMBOL) && std::strlen(Text(argv[i])) > kMaxString) {
            Reject("string too long", route.path);
            return true; // its own cause, not also "wrong arguments"
        }
    }
    const auto number = [&](int i) { return i < argc ? Number(types[i], argv[i]) : std::nullopt; };
    // Buttons send 1 on press and 0 on release: a trigger fires on no argument
    // or a number other than 0.
    bool fire = false;
    if (argc == 0)
        fire = true;
    else if (argc == 1 && number(0))
        fire = *number(0) != 0;
    const bool trigger = argc == 0 || (argc == 1 && number(0));
    const bool oneNumber = argc == 1 && number(0);

    using Id = ShowCommandId;
    const auto send = [this](Id id, int player, std::int64_t value = 0, std::string text = {}) {
        if (m_pSink)
            m_pSink->Execute({ id, player, value, std::move(text) });
    };
    const int player = Player(route);
    switch (route.action) {
    case Action::Play:
    case Action::Pause:
    case Action::Stop:
    case Action::CutTo:
    case Action::Take:
    case Action::PlaylistNext:
    case Action::PlaylistPrevious: {
        if (!trigger)
            return false;
        if (!fire)
            break;
        static constexpr std::pair<Action, Id> kCommands[]
            = { { Action::Play, Id::Play }, { Action::Pause, Id::Pause }, { Action::Stop, Id::Stop },
                  { Action::CutTo, Id::Cut }, { Action::Take, Id::Take } };
        if (route.action == Action::PlaylistNext || route.action == Action::PlaylistPrevious) {
            send(Id::Step, -1, route.action == Action::PlaylistNext ? 1 : 0);
            break;
        }
        for (const auto& [action, id] : kCommands)
            if (action == route.action)
                send(id, player);
        break;
    }
    case Action::Open: {
        if (argc != 1)
            return false;
        std::string text;
        if (types[0] == LO_STRING || types[0] == LO_SYMBOL) {
            text = Text(argv[0]);
        } else {
            const auto n = number(0);
            if (!n || types[0] == LO_TRUE || types[0] == LO_FALSE || *n < 1 || *n != std::floor(*n)
                || *n > std::numeric_limits<std::int32_t>::max())
                return false;
            text = ":" + std::to_string(static_cast<std::int64_t>(*n));
        }
        send(Id::Open, player, 0, std::move(text));
        break;
    }
    case Action::Seek:
        if (!oneNumber || *number(0) < 0)
            return false;
        send(Id::Seek, player, Clamped(*number(0), 0, std::numeric_limits<std::int32_t>::max()));
        break;
    case Action::Volume:
        if (!oneNumber)
            return false;
        send(Id::Volume, player,
            Clamped(*number(0), std::numeric_limits<std::int32_t>::min(),
                std::numeric_limits<std::int32_t>::max()));
        break;
    case Action::VolumeDb:
        if (!oneNumber)
            return false;
        send(Id::VolumeDb, player, Clamped(*number(0) * 100, -10000, 10000));
        break;
    case Action::Cut: {
        if (argc != 1 || (types[0] != LO_STRING && types[0] != LO_SYMBOL))
            return false;
        const std::string name = Text(argv[0]);
        if (name != "A" && name != "a" && name != "B" && name != "b")
            return false;
        send(Id::Cut, name == "A" || name == "a" ? 0 : 1);
        break;
    }
    case Action::PlaylistGo:
        if (!oneNumber || *number(0) < 1 || *number(0) != std::floor(*number(0))
            || *number(0) > std::numeric_limits<std::int32_t>::max())
            return false;
        send(Id::PlaylistGo, -1, static_cast<std::int64_t>(*number(0)) - 1);
        break;
    case Action::Loop:
    case Action::Repeat:
    case Action::AutoAdvance: {
        if (!oneNumber)
            return false;
        const Id id = route.action == Action::Loop ? Id::Loop
            : route.action == Action::Repeat       ? Id::Repeat
                                                   : Id::AutoAdvance;
        send(id, -1, *number(0) != 0 ? 1 : 0);
        break;
    }
    case Action::Fullscreen:
        if (!oneNumber)
            return false;
        send(Id::Fullscreen, -1, *number(0) != 0 ? 1 : 0);
        break;
    case Action::Subscribe:
    case Action::Unsubscribe: {
        if (argc < 1 || argc > (route.action == Action::Subscribe ? 2 : 1) || types[0] != LO_INT32
            || Read<std::int32_t>(argv[0]) < 1 || Read<std::int32_t>(argv[0]) > 65535)
            return false;
        const auto port = static_cast<std::uint16_t>(Read<std::int32_t>(argv[0]));
        if (route.action == Action::Unsubscribe) {
            m_Feedback.Unsubscribe(m_FromAddress, port);
            m_bValidSeen = true;
            return true;
        }
        std::int64_t leaseMs = COscFeedback::kDefaultLeaseMs;
        if (argc == 2) {
            if (types[1] != LO_INT32 || Read<std::int32_t>(argv[1]) < 1
                || Read<std::int32_t>(argv[1]) > kMaxLeaseSeconds)
                return false;
            leaseMs = std::int64_t { Read<std::int32_t>(argv[1]) } * 1000;
        }
        m_bValidSeen = true;
        std::optional<COscFeedback::Endpoint> ended;
        m_Feedback.Subscribe(m_FromAddress, port, leaseMs, m_Clock(), false, &ended);
        if (ended)
            Complain("feedback leases full",
                Dotted(ended->address) + ":" + std::to_string(ended->port) + " for " + Dotted(m_FromAddress)
                    + ":" + std::to_string(port),
                "the oldest ended");
        return true;
    }
    }
    m_bValidSeen = true;
    // Any command subscribes its sender's address and port.
    if (!m_Feedback.IsSubscribed(m_FromAddress, m_FromPort)
        && !m_Feedback.Subscribe(m_FromAddress, m_FromPort, COscFeedback::kDefaultLeaseMs, m_Clock(), true))
        Reject("too many subscribers", Dotted(m_FromAddress) + ":" + std::to_string(m_FromPort));
    return true;
}

void COscServer::Reject(const std::string& cause, const std::string& detail)
{
    ++m_nRejected;
    Complain(cause, detail, "ignored");
}

void COscServer::Complain(const std::string& cause, const std::string& detail, const char* outcome)
{
    Complaint& complaint = m_Complaints[cause];
    const std::int64_t now = m_Clock();
    const bool first = complaint.loggedAt == 0 && complaint.suppressed == 0;
    if (!first && now - complaint.loggedAt < kLogIntervalMs) {
        ++complaint.suppressed;
        return;
    }
    if (complaint.suppressed != 0)
        LogMessage("OSC: %s (%s), %llu more since; %s.\n", cause.c_str(), detail.c_str(),
            static_cast<unsigned long long>(complaint.suppressed), outcome);
    else
        LogMessage("OSC: %s (%s); %s.\n", cause.c_str(), detail.c_str(), outcome);
    complaint.loggedAt = now;
    complaint.suppressed = 0;
}

void COscServer::SetState(const OscState& state)
{
    m_State = state;
    if (m_Server)
        m_Feedback.SetState(state, m_Clock());
}

void COscServer::SendText(const std::string& line)
{
    if (m_Server)
        m_Feedback.SendText(line);
}

void COscServer::Poll()
{
    if (!m_Settings.enabled)
        return;
    const std::int64_t now = m_Clock();
    if (m_Server)
        m_Feedback.Tick(now);
}

void COscServer::SendDatagram(std::uint32_t address, std::uint16_t port, const void* data, std::size_t size)
{
    if (!m_Server)
        return;
    if (m_FeedbackSink) {
        m_FeedbackSink(address, port, data, size);
        return;
    }
    // While the address is awaited nothing can leave through its adapter.
    if (!m_pListener->IsListening())
        return;
    if (m_pListener->Send(address, port, data, size)) {
        m_bSendFailed = false;
        return;
    }
    // Once until a send succeeds again.
    const int error = errno;
    if (!m_bSendFailed)
        LogError(
            "OSC: feedback to %s:%u not sent: %s\n", Dotted(address).c_str(), port, std::strerror(error));
    m_bSendFailed = true;
}
