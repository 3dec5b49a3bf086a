#pragma once

#include "core/Messages.h"
#include "sync/SyncCue.h"
#include "sync/SyncSeqGate.h"

#include <QElapsedTimer>
#include <QObject>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class CMainFrame;
class CServerSocket;
class CSyncClock;

// A player's part in a wall. On the clock leader, the commands a controller,
// OSC or DMX send for play, stop, cut (select), take and open become cues at
// group time now + kLead: the leader acts on each itself and sends it to every
// member (three times, then the latest twice a second as state). A member
// acts on each cue once: play runs the player so that its frame falls on the
// cue's time (joining at the frame due now when the cue comes late), stop and
// cut happen when the group clock reaches it, open at once. Standalone, it
// does nothing.
//
// A follower takes cues only from its leader's address, each sequence number
// once (serial-number order per leader, forgotten when the leader's time
// jumps: it restarted), and holds them until its clock has locked. Refused
// cues, other senders and stale numbers are logged once per cause and sender.
class CWallSync : public QObject
{
public:
    static constexpr uint64_t kLeadNs = 300'000'000;
    static constexpr int kRepeatMs = 500;
    // A cue further ahead than this is taken this far ahead (and logged).
    static constexpr uint64_t kMaxDelayNs = 10'000'000'000;
    // A fresh cue this far in the past means the clocks disagree (the leader's
    // time jumped and this clock has not re-based yet): it waits for the
    // re-base, at most kMismatchHoldMs.
    static constexpr uint64_t kMismatchNs = 5'000'000'000;
    static constexpr int64_t kMismatchHoldMs = 3000;
    static constexpr std::size_t kMaxHeld = 8;
    static constexpr std::size_t kMaxLogged = 64;

    CWallSync(CMainFrame& frame, CServerSocket& socket, CSyncClock& clock);

    // The leader's commands that the wall shares: true when taken as a cue.
    bool Intercept(unsigned msg, WPARAM wParam, LPARAM lParam);
    // A cue packet in the server socket's ring.
    void OnCuePacket(int slot);
    void Tick(); // the leader's repeats, a follower's held cues

private:
    bool IsLeader() const;
    uint64_t Now() const;
    void Issue(CSyncCue::Action action, int player, const std::string& path);
    void Apply(CSyncCue cue);
    // A follower's cue from `sender`: checked, then held or applied.
    void Take(const CSyncCue& cue, bool state, uint32_t sender);
    void ApplyHeld();
    void FollowEpoch();
    // True the first time `key` is seen (at most kMaxLogged remembered).
    bool FirstTime(std::vector<uint64_t>& seen, uint64_t key);
    void PlayWhenOpen(int player, uint64_t at, int64_t startMs, int tries);
    // Runs a handler of the frame when the group clock reaches `at`.
    void At(uint64_t at, std::function<void()> step);
    void Run(unsigned msg, WPARAM wParam, LPARAM lParam); // a frame handler, not intercepted

    CMainFrame& m_Frame;
    CServerSocket& m_Socket;
    CSyncClock& m_Clock;
    uint32_t m_Seq = 0;
    CSyncSeqGate m_Gate;
    uint32_t m_Epoch = 0; // of the clock the gate's numbers belong to
    struct Held
    {
        CSyncCue cue;
        bool state = false;
        int64_t since = 0; // ms of m_Age
    };
    std::deque<Held> m_Held;
    QElapsedTimer m_Age;
    std::vector<uint64_t> m_LoggedSenders; // once per other sender
    std::vector<uint64_t> m_LoggedRefusals; // once per sender and cause
    std::vector<uint64_t> m_LoggedStale; // once per leader and latest number
    bool m_bHoldLogged = false;
    std::optional<CSyncCue> m_Latest;
    QElapsedTimer m_SinceRepeat;
    bool m_bApplying = false;
};
