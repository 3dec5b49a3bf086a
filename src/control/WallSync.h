#pragma once

#include "show/ShowCommand.h"
#include "sync/SyncCue.h"
#include "sync/SyncCueIntake.h"

#include <QElapsedTimer>
#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class CServerSocket;
class CShowEngine;
class CSyncClock;

// A player's part in a wall, in front of the show engine. On the clock
// leader, the commands a controller, OSC or DMX send for play, stop, cut, take and open become cues at
// group time now + kLead: the leader acts on each itself and sends it to every
// member (three times, then the latest twice a second as state). A member
// acts on each cue once: play runs the player so that its frame falls on the
// cue's time (joining at the frame due now when the cue comes late), stop and
// cut happen when the group clock reaches it, open at once. Standalone, it
// does nothing. A follower's intake (CSyncCueIntake) decides which cues it acts on, when.
class CWallSync : public QObject, public CShowCommandSink
{
public:
    static constexpr uint64_t kLeadNs = 300'000'000;
    static constexpr int kRepeatMs = 500;

    CWallSync(CShowEngine& engine, CServerSocket& socket, CSyncClock& clock);

    // On the leader, the commands that the wall shares become cues; the rest
    // (and everything elsewhere) go to the engine.
    ShowReply Execute(const ShowCommand& command) override;
    // A cue packet in the server socket's ring.
    void OnCuePacket(int slot);
    void Tick(); // the leader's repeats, a follower's held cues

private:
    bool IsLeader() const;
    uint64_t Now() const;
    void Issue(CSyncCue::Action action, int player, const std::string& path);
    void Apply(const CSyncCue& cue);
    // A follower's cues that its intake lets through now.
    void ApplyReady();
    void PlayWhenOpen(int player, uint64_t at, int64_t startMs, int tries);
    // Runs a step when the group clock reaches `at`.
    void At(uint64_t at, std::function<void()> step);
    ShowReply Run(const ShowCommand& command); // on the engine, not taken as a cue

    CShowEngine& m_Engine;
    CServerSocket& m_Socket;
    CSyncClock& m_Clock;
    uint32_t m_Seq = 0;
    CSyncCueIntake m_Intake; // a follower's
    QElapsedTimer m_Age;
    std::optional<CSyncCue> m_Latest;
    QElapsedTimer m_SinceRepeat;
};
