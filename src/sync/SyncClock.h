#pragma once

#include "playback/GstPtr.h"
#include "sync/HostLookup.h"

#include <gst/gst.h>

#include <cstdint>
#include <string>

// The group clock of a wall of players. A leader serves its system clock on
// the network (GstNetTimeProvider); a follower slaves a GstNetClientClock to
// it. Standalone keeps the pipelines on their own clocks, as always.
// Poll() drains the client clock's statistics; a follower that hears nothing
// for kLostAfterMs keeps running on its last estimate, says so once, and says
// so again once when the leader answers.
//
// The leader's time may jump (a rebooted leader serves a monotonic clock that
// starts near zero; a realtime clock steps), and a GStreamer clock never steps
// back. A follower whose leader answers twice in a row more than kJumpNs off
// the time its earlier answers run on to re-bases: a fresh client clock that
// starts from the leader's new time, and Epoch() counts up so that the owner
// moves its pipelines onto it.
// A leader given by name is resolved once, off the caller's thread.
class CSyncClock
{
public:
    enum Role : int32_t { ROLE_STANDALONE = 0, ROLE_LEADER = 1, ROLE_FOLLOWER = 2 };
    enum State : int32_t { STATE_OFF = 0, STATE_SYNCING = 1, STATE_LOCKED = 2, STATE_LOST = 3 };
    static constexpr uint16_t kDefaultPort = 31775;
    static constexpr int64_t kLostAfterMs = 3000;
    static constexpr int64_t kJumpNs = 250'000'000;
    // A re-based clock that hears its leader but has not locked by then is made again.
    static constexpr int64_t kRelockMs = 4000;
    static constexpr int64_t kResolveMs = 5000;

    CSyncClock() = default;
    ~CSyncClock();
    CSyncClock(const CSyncClock&) = delete;
    CSyncClock& operator=(const CSyncClock&) = delete;

    // "standalone", "leader" or "follower"; false for anything else.
    static bool ParseRole(const std::string& text, Role& role);
    static const char* RoleName(Role role);

    // leader: the address to serve on ("" or "0.0.0.0" for every one);
    // follower: the leader's address or host name (then resolved in the
    // background: Clock() is null until it is). False (logged) when the clock
    // cannot be made.
    bool Start(Role role, const std::string& address, uint16_t port);
    void Stop();

    Role GetRole() const { return m_Role; }
    State GetState() const { return m_State; }
    // The clock every pipeline of the member runs on; null when standalone.
    GstClock* Clock() const { return m_pClock.get(); }
    // Group time now (ns), or GST_CLOCK_TIME_NONE when standalone.
    GstClockTime Now() const;
    // The follower's latest offset of the group clock from its own (ns) and round trip.
    int64_t OffsetNs() const { return m_OffsetNs; }
    int64_t RoundTripNs() const { return m_RttNs; }
    const std::string& Leader() const { return m_Address; }
    // The leader's IPv4 address in host order, resolved; 0 while unknown.
    uint32_t LeaderIPv4() const { return m_LeaderIPv4; }
    // Counts every new clock: a resolved leader, a re-base after a jump of its time.
    uint32_t Epoch() const { return m_Epoch; }
    // How far the current clock's time stands from the one before it (a
    // re-base's jump); 0 when it is the first.
    int64_t RebaseNs() const { return m_RebaseNs; }
    uint16_t Port() const { return m_Port; }

    // Reads what the clock reported since the last call; nowMs is a monotonic time.
    // True when the state changed.
    bool Poll(int64_t nowMs);
    // "Sync: follower of 10.0.0.1:31775, locked, offset +12 us, rtt 210 us"
    std::string Describe() const;
    // "leader", "follower 10.0.0.1:31775 locked": what a panel shows.
    std::string Summary() const;

private:
    bool MakeClientClock(GstClockTime startAt);
    bool PollLookup(int64_t nowMs);
    // The leader's time jumped by m_JumpNs: follow its new time.
    void Rebase();

    Role m_Role = ROLE_STANDALONE;
    State m_State = STATE_OFF;
    std::string m_Address;
    uint16_t m_Port = kDefaultPort;
    GstPtr<GstClock> m_pClock;
    GstPtr<GstBus> m_pBus; // the client clock's statistics
    GstObject* m_pProvider = nullptr; // GstNetTimeProvider, owned
    int64_t m_OffsetNs = 0;
    int64_t m_RttNs = 0;
    int64_t m_LastHeardMs = -1;
    bool m_bEverLocked = false;
    // The latest answer of the leader that showed no jump: its time, and this machine's clock then.
    bool m_bHaveAnswer = false;
    GstClockTime m_AnswerRemote = 0;
    GstClockTime m_AnswerLocal = 0;
    bool m_bVerify = false; // back from a loss: the next answer must show no jump
    bool m_bJumpSeen = false; // the last answer showed a jump of m_JumpNs
    int64_t m_JumpNs = 0;
    GstClockTime m_JumpRemote = 0; // the leader's time in that answer
    GstClockTime m_JumpLocal = 0; // this machine's clock then
    int64_t m_RebaseNs = 0;
    bool m_bRebased = false; // made anew after a jump, not locked since
    int64_t m_RebasedAtMs = -1; // when it was last made anew
    int64_t m_RelockWaitMs = kRelockMs; // doubles with each try, so a slow lock still comes
    uint32_t m_LeaderIPv4 = 0;
    uint32_t m_Epoch = 0;
    CHostLookup m_Lookup;
    int64_t m_LookupSinceMs = -1;
    bool m_bLookupSlowLogged = false;
};
