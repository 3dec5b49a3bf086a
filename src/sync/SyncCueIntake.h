#pragma once

#include "sync/SyncCue.h"
#include "sync/SyncSeqGate.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

// What a wall's follower does with the cues it hears, before acting on any:
// only its leader's (IPv4, host order; 0 while a name is unresolved), each
// sequence number once in serial-number order per leader (forgotten when the
// clock's epoch changes: the leader's time jumped, it restarted), none before
// the clock has locked, none due further ahead than kMaxDelayNs. Refused
// cues, other senders and late duplicates are logged once per cause and
// sender. Invariant: at most kMaxHeld cues wait, kMaxLogged senders are
// remembered per kind of log line.
class CSyncCueIntake
{
public:
    static constexpr uint64_t kMaxDelayNs = 10'000'000'000;
    // A fresh cue this far in the past means the clocks disagree (the leader's
    // time jumped and this clock has not re-based yet): it waits for the
    // re-base, at most kMismatchHoldMs.
    static constexpr uint64_t kMismatchNs = 5'000'000'000;
    static constexpr int64_t kMismatchHoldMs = 3000;
    static constexpr std::size_t kMaxHeld = 8;
    static constexpr std::size_t kMaxLogged = 64;

    // A datagram that did not decode into a cue.
    void Refused(CSyncCue::Refusal refusal, uint32_t sender);
    // A decoded cue (`state`: a repeat) heard from `sender` at `nowMs` (monotonic).
    void Take(
        const CSyncCue& cue, bool state, uint32_t sender, uint32_t leader, uint32_t epoch, int64_t nowMs);
    // The cues to act on now, oldest first: none while the clock has not locked.
    std::vector<CSyncCue> Ready(
        bool locked, uint64_t groupNow, uint32_t leader, uint32_t epoch, int64_t nowMs);
    std::size_t Held() const { return m_Held.size(); }

private:
    struct Entry
    {
        CSyncCue cue;
        bool state = false;
        int64_t since = 0;
    };
    void FollowEpoch(uint32_t leader, uint32_t epoch);
    // True the first time `key` is seen.
    static bool FirstTime(std::vector<uint64_t>& seen, uint64_t key);

    CSyncSeqGate m_Gate;
    uint32_t m_Epoch = 0;
    std::deque<Entry> m_Held;
    std::vector<uint64_t> m_LoggedSenders;
    std::vector<uint64_t> m_LoggedRefusals;
    std::vector<uint64_t> m_LoggedStale;
    bool m_bHoldLogged = false;
};
