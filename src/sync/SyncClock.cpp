#include "sync/SyncClock.h"

#include "core/Log.h"

#include <arpa/inet.h>
#include <gst/net/net.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

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
    m_Role = role;
    m_State = STATE_SYNCING;
    if (!CHostLookup::ParseIPv4(address, m_LeaderIPv4)) {
        // A name: resolved once, in the background; the clock comes with the address.
        m_LeaderIPv4 = 0;
        m_Lookup.Start(address);
        LogMessage("Sync: follower of %s:%u, resolving the leader's name.\n", address.c_str(),
            static_cast<unsigned>(port));
        return true;
    }
    if (!MakeClientClock(0)) {
        Stop();
        return false;
    }
    LogMessage("%s\n", Describe().c_str());
    return true;
}

bool CSyncClock::MakeClientClock(GstClockTime startAt)
{
    char ip[INET_ADDRSTRLEN] = {};
    const in_addr leader { htonl(m_LeaderIPv4) };
    inet_ntop(AF_INET, &leader, ip, sizeof ip);
    GstPtr<GstClock> internal;
    if (m_pClock) {
        // Client clocks of one address share one internal clock, which holds
        // the old time's observations and never steps back: give the old one
        // an address no new clock asks for, so the new one starts afresh.
        g_object_get(m_pClock.get(), "internal-clock", internal.out(), nullptr);
        if (internal)
            g_object_set(internal.get(), "address", "retired", nullptr);
    }
    GstClock* clock = gst_net_client_clock_new("zuvio-group", ip, m_Port, startAt);
    if (!clock) {
        if (internal)
            g_object_set(internal.get(), "address", ip, nullptr);
        LogError("Sync: cannot follow the group clock at %s:%u.\n", ip, static_cast<unsigned>(m_Port));
        return false;
    }
    if (m_pClock)
        g_object_set(m_pClock.get(), "bus", nullptr, nullptr);
    m_pClock.reset(clock);
    m_pBus.reset(gst_bus_new());
    g_object_set(clock, "bus", m_pBus.get(), nullptr);
    m_bHaveAnswer = false;
    m_bJumpSeen = false;
    m_bVerify = false;
    m_RebaseNs = 0;
    ++m_Epoch;
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
    m_bRebased = false;
    m_bHaveAnswer = false;
    m_LeaderIPv4 = 0;
    m_Lookup = CHostLookup();
    m_LookupSinceMs = -1;
    m_bLookupSlowLogged = false;
}

GstClockTime CSyncClock::Now() const
{
    return m_pClock ? gst_clock_get_time(m_pClock.get()) : GST_CLOCK_TIME_NONE;
}

bool CSyncClock::PollLookup(int64_t nowMs)
{
    if (m_LookupSinceMs < 0)
        m_LookupSinceMs = nowMs;
    std::string address, error;
    switch (m_Lookup.Poll(address, error)) {
    case CHostLookup::RESULT_DONE:
        if (!CHostLookup::ParseIPv4(address, m_LeaderIPv4) || !MakeClientClock(0)) {
            m_LeaderIPv4 = 0;
            return false;
        }
        LogMessage("Sync: the leader %s is %s.\n", m_Address.c_str(), address.c_str());
        LogMessage("%s\n", Describe().c_str());
        return true;
    case CHostLookup::RESULT_FAILED:
        // Once, and again every kResolveMs: a name server may come up after the player.
        if (!m_bLookupSlowLogged)
            LogError("Sync: cannot resolve the leader %s (%s); trying again every %d s.\n", m_Address.c_str(),
                error.c_str(), static_cast<int>(kResolveMs / 1000));
        m_bLookupSlowLogged = true;
        if (nowMs - m_LookupSinceMs >= kResolveMs) {
            m_Lookup.Start(m_Address);
            m_LookupSinceMs = nowMs;
        }
        return false;
    case CHostLookup::RESULT_PENDING:
        if (!m_bLookupSlowLogged && nowMs - m_LookupSinceMs > kResolveMs) {
            LogError("Sync: the leader's name %s does not resolve within %d s; the wall waits for it.\n",
                m_Address.c_str(), static_cast<int>(kResolveMs / 1000));
            m_bLookupSlowLogged = true;
        }
        return false;
    case CHostLookup::RESULT_IDLE:
        m_Lookup.Start(m_Address);
        m_LookupSinceMs = nowMs;
        return false;
    }
    return false;
}

void CSyncClock::Rebase()
{
    LogError("Sync: the leader's time jumped by %+.3f s (it restarted or its clock was set); following its "
             "new time.\n",
        static_cast<double>(m_JumpNs) / 1e9);
    // Until it locks, the new clock runs on from the leader's time in that first answer.
    GstPtr<GstClock> system(gst_system_clock_obtain());
    const GstClockTime now = gst_clock_get_time(system.get());
    const int64_t jump = m_JumpNs;
    if (!MakeClientClock(m_JumpRemote + (now > m_JumpLocal ? now - m_JumpLocal : 0)))
        return;
    m_RebaseNs = jump;
    m_State = STATE_SYNCING;
    m_bRebased = true;
    m_RebasedAtMs = -1; // set at the next poll
    m_RelockWaitMs = kRelockMs;
}

bool CSyncClock::Poll(int64_t nowMs)
{
    if (m_Role != ROLE_FOLLOWER)
        return false;
    const State before = m_State;
    if (!m_pClock) {
        PollLookup(nowMs);
        if (!m_pClock)
            return false;
    }
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
        // Each answer against the leader's time as the earlier answers run
        // on (not the client clock's estimate: once the client clock has
        // heard a jump it may take it in and run off). Two answers in a row
        // must be off: one odd answer never re-bases a wall that is locked.
        GstClockTime remote = 0, local = 0;
        if (!gst_structure_get_clock_time(s, "local", &local)
            || !gst_structure_get_clock_time(s, "remote", &remote))
            continue;
        const int64_t jump = m_bHaveAnswer
            ? static_cast<int64_t>(remote - m_AnswerRemote) - static_cast<int64_t>(local - m_AnswerLocal)
            : 0;
        if (std::llabs(jump) <= kJumpNs) {
            m_bHaveAnswer = true;
            m_AnswerRemote = remote;
            m_AnswerLocal = local;
            m_bJumpSeen = false;
            m_bVerify = false;
            continue;
        }
        // Back from a loss (a reboot) the first answer decides: every further
        // one lets the old client clock run further off.
        const bool confirmed = m_bJumpSeen || m_bVerify;
        if (!m_bJumpSeen) {
            // The re-base keeps to the first answer after the jump.
            m_bJumpSeen = true;
            m_JumpNs = jump;
            m_JumpRemote = remote;
            m_JumpLocal = local;
        }
        if (confirmed) {
            Rebase();
            break; // the rest is the old clock's
        }
    }
    // A leader that answers again may have restarted with another time: no
    // lock before an answer has shown whether it did.
    if (m_State == STATE_SYNCING && !m_bVerify && gst_clock_is_synced(m_pClock.get())) {
        m_State = STATE_LOCKED;
        m_bRebased = false;
    } else if (m_State == STATE_SYNCING && m_bRebased) {
        // A fresh client clock now and then never takes the leader's answers in
        // (seen after a leader's reboot): it hears them, so make it again.
        if (m_RebasedAtMs < 0)
            m_RebasedAtMs = nowMs;
        else if (nowMs - m_RebasedAtMs > m_RelockWaitMs && nowMs - m_LastHeardMs < 1000) {
            LogError("Sync: the new clock has not locked to the leader in %lld s; starting it again.\n",
                static_cast<long long>(m_RelockWaitMs / 1000));
            const GstClockTime estimate = gst_clock_get_time(m_pClock.get());
            if (MakeClientClock(estimate)) {
                m_RebasedAtMs = nowMs;
                m_RelockWaitMs *= 2;
            }
        }
    }
    // How far the group clock stands from this machine's own.
    GstPtr<GstClock> local(gst_system_clock_obtain());
    m_OffsetNs = static_cast<int64_t>(gst_clock_get_time(m_pClock.get()))
        - static_cast<int64_t>(gst_clock_get_time(local.get()));
    if (nowMs - m_LastHeardMs > kLostAfterMs && m_State != STATE_LOST) {
        m_State = STATE_LOST;
        m_bVerify = m_bHaveAnswer;
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
    if (!m_pClock) {
        std::snprintf(text, sizeof text, "Sync: follower of %s:%u, resolving the leader's name",
            m_Address.c_str(), static_cast<unsigned>(m_Port));
        return text;
    }
    std::snprintf(text, sizeof text,
        "Sync: follower of %s:%u, %s, offset %+" PRId64 " us, rtt %" PRId64 " us", m_Address.c_str(),
        static_cast<unsigned>(m_Port), kStates[m_State], m_OffsetNs / 1000, m_RttNs / 1000);
    return text;
}
