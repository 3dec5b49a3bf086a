#pragma once

#include "core/ResumePosition.h"
#include "core/ResumeState.h"
#include "core/ResumeWriter.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CShowCommandSink;
class CShowEngine;

// Brings the show back after the player died: keeps the resume files current
// while the program runs (the whole state when the playlist or a player's
// medium changes, a small position record on other changes and once a second
// while a player runs), and at start-up after an unclean end opens the same
// entries in the same players at their saved positions, in their saved play
// states, at the saved level. A clean quit removes the files, so the next
// start is a fresh one.
//
// A restore first stores its raised attempt count on disk and only then opens
// anything, so a medium that kills the player while it opens is given up after
// kMaxAttempts. When none of its opens succeeds, the start it took the place of
// runs after all.
class CShowResume
{
public:
    using Clock = std::chrono::steady_clock;
    using NormalStart = std::function<void()>;
    static constexpr std::chrono::milliseconds kRunningInterval { 1000 };
    // A resumed show that dies sooner than this counts as a failed attempt;
    // after kMaxAttempts in a row the player starts fresh instead.
    static constexpr std::chrono::seconds kSettled { 30 };
    static constexpr int kMaxAttempts = 3;
    // How long a restore waits for its attempt count to reach the disk.
    static constexpr std::chrono::seconds kStoreBound { 5 };
    // How long a restored player may take to reach its saved position before it plays anyway.
    static constexpr std::chrono::seconds kCueBound { 3 };

    // Restores through sink (the engine, or a wall in front of it) and opens
    // on the engine; both outlive this object.
    CShowResume(CShowEngine& engine, CShowCommandSink& sink, const std::string& path);
    ~CShowResume(); // stops writing and leaves the files as an unclean end would
    CShowResume(const CShowResume&) = delete;
    CShowResume& operator=(const CShowResume&) = delete;

    // True when a state from an unclean end was found and its show is being
    // restored; normalStart then runs later if nothing of it could be opened.
    bool RestoreIfUnclean(NormalStart normalStart);
    void Tick(Clock::time_point now = Clock::now());
    void Finish(); // a clean quit
    int GetWrites() const { return m_Writer.GetWrites(); }

private:
    enum class Phase { Running, Storing, Opening };
    struct Cue
    {
        int player = 0;
        uint32_t positionMs = 0;
        bool play = false;
        Clock::time_point deadline;
    };

    CResumeState Capture() const;
    void RestoreList(const CResumeState& saved);
    void OnStored(bool stored);
    void OpenPlayers();
    void OnRestored(int player, const CResumeState::Player& saved, bool opened);
    void OpenEnded();
    void PollCues();
    void EndRestore(bool anyOpened);
    // Runs fn on the interface thread later, unless this object is gone by then.
    void Later(int delayMs, std::function<void()> fn);

    CShowEngine& m_Engine;
    CShowCommandSink& m_Sink;
    uint64_t m_Subscription = 0;
    std::map<uint64_t, std::function<void(bool opened)>> m_Opens; // by ticket
    CResumeFile m_File;
    CResumeWriter m_Writer;
    std::optional<CResumeState> m_LastState; // the whole state last submitted
    std::optional<CResumePosition> m_LastRecord;
    Clock::time_point m_LastStateWrite {};
    Clock::time_point m_LastRecordWrite {};
    Clock::time_point m_Started = Clock::now();
    int m_Attempts = 0; // carried in the files until the show has settled

    Phase m_Phase = Phase::Running;
    CResumeState m_Saved; // what is being restored
    NormalStart m_NormalStart;
    Clock::time_point m_StoreDeadline {};
    int m_PendingOpens = 0;
    bool m_bAnyOpened = false;
    std::vector<Cue> m_Cues; // opened players waiting for their seek before they play
    std::shared_ptr<bool> m_Alive = std::make_shared<bool>(true);
};
