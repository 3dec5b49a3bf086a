#include "sync/SyncClock.h"

#include "core/Log.h"

#include <gst/net/net.h>

#include <cinttypes>
#include <cstdio>

CSyncClock::~CSyncClock()
{
    Stop();
}

bool CSyncClock::ParseRole(const std::string& text, Role& role)
{
    if (text == "standalone")
        role = ROLE_STANDALONE;
    else if (text == "leader")
        role = ROLE_LEADER;
    else if (text == "follower")
        role = ROLE_FOLLOWER;
    else
        return false;
    return true;
}

const char* CSyncClock::RoleName(Role role)
{
    switch (role) {
    case ROLE_LEADER:
        return "leader";
    case ROLE_FOLLOWER:
        return "follower";
    default:
        return "standalone";
    }
}

bool CSyncClock::Start(Role role, const std::string& address, uint16_t port)
{
    Stop();
    if (!gst_init_check(nullptr, nullptr, nullptr))
        return false;
    m_Address = address;
    m_Port = port;
    if (role == ROLE_STANDALONE)
        return true;
    if (role == ROLE_LEADER) {
        m_pClock.reset(gst_system_clock_obtain());
        const char* bind = address.empty() ? nullptr : address.c_str();
        GstNetTimeProvider* provider = gst_net_time_provider_new(m_pClock.get(), bind, port);
        if (!provider) {
            LogError("Sync: cannot serve the group clock on port %u.\n", static_cast<unsigned>(port));
            m_pClock.reset();
            return false;
        }
        m_pProvider = GST_OBJECT(provider);
        m_Role = role;
        m_State = STATE_LOCKED; // the leader's clock is the group's
        LogMessage("%s\n", Describe().c_str());
        return true;
    }
    if (address.empty()) {
        LogError("Sync: a follower needs the leader's address.\n");
        return false;
    }
    GstClock* clock = gst_net_client_clock_new("zuvio-group", address.c_str(), port, 0);
    if (!clock) {
        LogError(
            "Sync: cannot follow the group clock at %s:%u.\n", address.c_str(), static_cast<unsigned>(port));
        return false;
    }
    m_pClock.reset(clock);
    m_pBus.reset(gst_bus_new());
    g_object_set(clock, "bus", m_pBus.get(), nullptr);
    m_Role = role;
    m_State = STATE_SYNCING;
    LogMessage("%s\n", Describe().c_str());
    return true;
}

void CSyncClock::Stop()
{
    if (m_pProvider) {
        gst_object_unref(m_pProvider);
        m_pProvider = nullptr;
    }
    if (m_pClock && m_pBus)
        g_object_set(m_pClock.get(), "bus", nullptr, nullptr);
    m_pBus.reset();
    m_pClock.reset();
    m_Role = ROLE_STANDALONE;
    m_State = STATE_OFF;
    m_OffsetNs = m_RttNs = 0;
    m_LastHeardMs = -1;
    m_bEverLocked = false;
}

GstClockTime CSyncClock::Now() const
{
    return m_pClock ? gst_clock_get_time(m_pClock.get()) : GST_CLOCK_TIME_NONE;
}

bool CSyncClock::Poll(int64_t nowMs)
{
    if (m_Role != ROLE_FOLLOWER || !m_pBus)
        return false;
    const State before = m_State;
    if (m_LastHeardMs < 0)
        m_LastHeardMs = nowMs; // the bound starts with the first look
    // Every answer of the leader posts statistics; silence means it is gone.
    while (GstMessage* raw = gst_bus_pop(m_pBus.get())) {
        GstPtr<GstMessage> message(raw);
        const GstStructure* s = gst_message_get_structure(raw);
        if (!s || !gst_structure_has_name(s, "gst-netclock-statistics"))
            continue;
        GstClockTime rtt = 0;
        if (gst_structure_get_clock_time(s, "rtt-average", &rtt) && GST_CLOCK_TIME_IS_VALID(rtt))
            m_RttNs = static_cast<int64_t>(rtt);
        m_LastHeardMs = nowMs;
        if (m_State == STATE_LOST)
            m_State = STATE_SYNCING;
    }
    if (m_State == STATE_SYNCING && gst_clock_is_synced(m_pClock.get()))
        m_State = STATE_LOCKED;
    // How far the group clock stands from this machine's own.
    GstPtr<GstClock> local(gst_system_clock_obtain());
    m_OffsetNs = static_cast<int64_t>(gst_clock_get_time(m_pClock.get()))
        - static_cast<int64_t>(gst_clock_get_time(local.get()));
    if (nowMs - m_LastHeardMs > kLostAfterMs && m_State != STATE_LOST) {
        m_State = STATE_LOST;
        LogError("Sync: the leader %s:%u does not answer; playing on the last estimate.\n", m_Address.c_str(),
            static_cast<unsigned>(m_Port));
    } else if (m_State == STATE_LOCKED && before != STATE_LOCKED) {
        LogMessage("Sync: %s the leader %s:%u.\n", m_bEverLocked ? "rejoined" : "locked to",
            m_Address.c_str(), static_cast<unsigned>(m_Port));
        m_bEverLocked = true;
    }
    return m_State != before;
}

namespace {
constexpr const char* kStates[] = { "off", "syncing", "locked", "lost" };
} // namespace

std::string CSyncClock::Summary() const
{
    if (m_Role != ROLE_FOLLOWER)
        return RoleName(m_Role);
    return "follower " + m_Address + ":" + std::to_string(m_Port) + " " + kStates[m_State];
}

std::string CSyncClock::Describe() const
{
    char text[200];
    if (m_Role == ROLE_STANDALONE)
        return "Sync: standalone";
    if (m_Role == ROLE_LEADER) {
        std::snprintf(text, sizeof text, "Sync: leader, serving the group clock on port %u",
            static_cast<unsigned>(m_Port));
        return text;
    }
    std::snprintf(text, sizeof text,
        "Sync: follower of %s:%u, %s, offset %+" PRId64 " us, rtt %" PRId64 " us", m_Address.c_str(),
        static_cast<unsigned>(m_Port), kStates[m_State], m_OffsetNs / 1000, m_RttNs / 1000);
    return text;
}
