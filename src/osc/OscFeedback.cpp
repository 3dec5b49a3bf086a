#include "osc/OscFeedback.h"

#include "core/Log.h"
#include "osc/LoHandles.h"

#include <QHostAddress>

#include <algorithm>
#include <cstdlib>

namespace {

// A running player's position may differ from where the clock says it should
// be by this much before the difference counts as a jump.
constexpr std::int64_t kJumpToleranceMs = 500;

const char* StateName(int state)
{
    return state == 2 ? "playing" : state == 1 ? "paused" : "stopped";
}

std::string Dotted(std::uint32_t address)
{
    return QHostAddress(address).toString().toStdString();
}

std::int32_t Remaining(const OscPlayerState& player)
{
    return static_cast<std::int32_t>(
        player.duration > player.position ? player.duration - player.position : 0);
}

} // namespace

COscFeedback::COscFeedback(Sender sender)
    : m_Sender(std::move(sender))
{
}

void COscFeedback::SetFixedDestinations(std::vector<std::pair<std::uint32_t, std::uint16_t>> destinations)
{
    m_Fixed = std::move(destinations);
}

bool COscFeedback::IsSubscribed(std::uint32_t address, std::uint16_t port) const
{
    return std::any_of(m_Subscribers.begin(), m_Subscribers.end(),
        [&](const Subscriber& s) { return s.address == address && s.port == port; });
}

bool COscFeedback::Subscribe(std::uint32_t address, std::uint16_t port, std::int64_t leaseMs,
    std::int64_t now, bool implicit, std::optional<Endpoint>* ended)
{
    for (Subscriber& s : m_Subscribers) {
        if (s.address == address && s.port == port) {
            s.leaseMs = leaseMs;
            s.expiresAt = now + leaseMs;
            s.heardAt = now;
            s.implicit = s.implicit && implicit;
            return true;
        }
    }
    const auto fromSender = [address](const Subscriber& s) { return s.address == address; };
    const bool senderFull
        = static_cast<std::size_t>(std::count_if(m_Subscribers.begin(), m_Subscribers.end(), fromSender))
        >= kMaxPerSender;
    if (senderFull || m_Subscribers.size() >= kMaxSubscribers) {
        // The oldest of the sender's leases, or of all: implicit ones first,
        // then the one least recently heard from, then the first made.
        auto oldest = m_Subscribers.end();
        for (auto it = m_Subscribers.begin(); it != m_Subscribers.end(); ++it) {
            if ((senderFull && !fromSender(*it)) || (implicit && !it->implicit))
                continue;
            if (oldest == m_Subscribers.end() || (it->implicit && !oldest->implicit)
                || (it->implicit == oldest->implicit && it->heardAt < oldest->heardAt))
                oldest = it;
        }
        if (oldest == m_Subscribers.end())
            return false;
        if (!oldest->implicit && ended)
            *ended = Endpoint { oldest->address, oldest->port };
        m_Subscribers.erase(oldest);
    }
    m_Subscribers.push_back({ address, port, leaseMs, now + leaseMs, implicit, now });
    if (!implicit)
        LogMessage("OSC: feedback to %s:%u for %lld s.\n", Dotted(address).c_str(), port,
            static_cast<long long>(leaseMs / 1000));
    if (m_bSentAny)
        SendAll(m_Current, &m_Subscribers.back());
    return true;
}

void COscFeedback::Unsubscribe(std::uint32_t address, std::uint16_t port)
{
    const auto removed = std::erase_if(
        m_Subscribers, [&](const Subscriber& s) { return s.address == address && s.port == port; });
    if (removed != 0)
        LogMessage("OSC: feedback to %s:%u ended.\n", Dotted(address).c_str(), port);
}

void COscFeedback::Renew(std::uint32_t address, std::int64_t now)
{
    for (Subscriber& s : m_Subscribers) {
        if (s.address == address) {
            s.expiresAt = now + s.leaseMs;
            s.heardAt = now;
        }
    }
}

void COscFeedback::Clear()
{
    m_Subscribers.clear();
    m_Fixed.clear();
    m_bSentAny = false;
}

void COscFeedback::Tick(std::int64_t now)
{
    std::erase_if(m_Subscribers, [now](const Subscriber& s) {
        if (now < s.expiresAt)
            return false;
        if (!s.implicit)
            LogMessage("OSC: feedback to %s:%u ended: lease expired.\n", Dotted(s.address).c_str(), s.port);
        return true;
    });
    if (!m_bSentAny || now - m_LastRefresh < kRefreshMs)
        return;
    m_LastRefresh = now;
    SendAll(m_Current, nullptr);
    m_Sent = m_Current;
    m_PositionSentAt[0] = m_PositionSentAt[1] = now;
}

bool COscFeedback::PositionJumped(int player, const OscState& state, std::int64_t now) const
{
    const OscPlayerState& before = m_Sent.players[player];
    const OscPlayerState& after = state.players[player];
    if (before.playState != 2 || after.playState != 2)
        return before.position != after.position;
    const std::int64_t expected = std::int64_t { before.position } + (now - m_PositionSentAt[player]);
    return std::llabs(std::int64_t { after.position } - expected) > kJumpToleranceMs;
}

void COscFeedback::SetState(const OscState& state, std::int64_t now)
{
    m_Current = state;
    if (!m_bSentAny) {
        m_bSentAny = true;
        m_Sent = state;
        m_LastRefresh = now;
        m_PositionSentAt[0] = m_PositionSentAt[1] = now;
        if (HasDestinations())
            SendAll(state, nullptr);
        return;
    }
    if (state == m_Sent)
        return;
    OscState sent = state;
    static const char* const kPrefixes[2] = { "/zuvio/a", "/zuvio/b" };
    for (int i = 0; i < 2; ++i) {
        const bool moved = PositionJumped(i, state, now);
        SendPlayer(kPrefixes[i], state.players[i], false, &m_Sent.players[i], moved, nullptr);
        if (i == state.active) {
            const bool cut = state.active != m_Sent.active;
            SendPlayer("/zuvio/active", state.players[i], cut, &m_Sent.players[i], moved, nullptr);
        }
        if (moved) {
            m_PositionSentAt[i] = now;
        } else {
            sent.players[i].position = m_Sent.players[i].position;
        }
    }
    if (state.active != m_Sent.active)
        SendString("/zuvio/active", state.active == 0 ? "A" : "B", nullptr);
    SendShow(state, &m_Sent, nullptr);
    m_Sent = sent;
}

void COscFeedback::SendShow(const OscState& state, const OscState* before, const Subscriber* only)
{
    const auto changed = [&](auto field) { return !before || state.*field != before->*field; };
    if (changed(&OscState::volumePercent) || changed(&OscState::volumeDb)) {
        for (const char* prefix : { "/zuvio/a", "/zuvio/b", "/zuvio/active" }) {
            SendInt(std::string(prefix) + "/volume", state.volumePercent, only);
            SendFloat(std::string(prefix) + "/volume/db", static_cast<float>(state.volumeDb), only);
        }
    }
    const auto sendInt = [&](const char* path, auto field) {
        if (changed(field))
            SendInt(path, static_cast<std::int32_t>(state.*field), only);
    };
    sendInt("/zuvio/playlist/position", &OscState::playlistPosition);
    sendInt("/zuvio/playlist/count", &OscState::playlistCount);
    sendInt("/zuvio/playlist/loop", &OscState::loop);
    sendInt("/zuvio/playlist/repeat", &OscState::repeat);
    sendInt("/zuvio/playlist/autoadvance", &OscState::autoAdvance);
    sendInt("/zuvio/fullscreen", &OscState::fullscreen);
    if (changed(&OscState::sync))
        SendString("/zuvio/sync", state.sync, only);
    if (changed(&OscState::syncOffsetMs))
        SendFloat("/zuvio/sync/offset", state.syncOffsetMs, only);
}

void COscFeedback::SendPlayer(const char* prefix, const OscPlayerState& player, bool full,
    const OscPlayerState* before, bool positionToo, const Subscriber* only)
{
    const std::string base(prefix);
    if (full || player.playState != before->playState)
        SendString(base + "/state", StateName(player.playState), only);
    if (full || positionToo)
        SendInt(base + "/position", static_cast<std::int32_t>(player.position), only);
    if (full || player.duration != before->duration)
        SendInt(base + "/duration", static_cast<std::int32_t>(player.duration), only);
    if (full || positionToo || player.duration != before->duration)
        SendInt(base + "/remaining", Remaining(player), only);
    if (full || player.fileName != before->fileName)
        SendString(base + "/file", player.fileName, only);
}

void COscFeedback::SendAll(const OscState& state, const Subscriber* only)
{
    if (!only && !HasDestinations())
        return;
    SendString("/zuvio/active", state.active == 0 ? "A" : "B", only);
    static const char* const kPrefixes[2] = { "/zuvio/a", "/zuvio/b" };
    for (int i = 0; i < 2; ++i) {
        SendPlayer(kPrefixes[i], state.players[i], true, nullptr, true, only);
        if (i == state.active)
            SendPlayer("/zuvio/active", state.players[i], true, nullptr, true, only);
    }
    SendShow(state, nullptr, only);
}

void COscFeedback::SendText(const std::string& line)
{
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    if (!text.empty())
        SendString("/zuvio/status", text, nullptr);
}

void COscFeedback::SendInt(const std::string& path, std::int32_t value, const Subscriber* only)
{
    LoMessagePtr message(lo_message_new());
    lo_message_add_int32(message.get(), value);
    Send(path.c_str(), message.get(), only);
}

void COscFeedback::SendFloat(const std::string& path, float value, const Subscriber* only)
{
    LoMessagePtr message(lo_message_new());
    lo_message_add_float(message.get(), value);
    Send(path.c_str(), message.get(), only);
}

void COscFeedback::SendString(const std::string& path, const std::string& value, const Subscriber* only)
{
    LoMessagePtr message(lo_message_new());
    lo_message_add_string(message.get(), value.c_str());
    Send(path.c_str(), message.get(), only);
}

void COscFeedback::Send(const char* path, lo_message message, const Subscriber* only)
{
    if (!m_Sender || (!only && !HasDestinations()))
        return;
    std::size_t size = 0;
    void* data = lo_message_serialise(message, path, nullptr, &size);
    if (!data)
        return;
    if (only) {
        m_Sender(only->address, only->port, data, size);
    } else {
        for (const auto& [address, port] : m_Fixed)
            m_Sender(address, port, data, size);
        for (const Subscriber& s : m_Subscribers)
            m_Sender(s.address, s.port, data, size);
    }
    std::free(data);
}
