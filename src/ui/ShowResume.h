#pragma once

#include "core/ResumeState.h"
#include "core/ResumeWriter.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

class CMainFrame;

// Brings the show back after the player died: keeps the resume file current
// while the program runs (on every change, and once a second while a player
// runs), and at start-up after an unclean end opens the same entries in the
// same players at their saved positions, in their saved play states. A clean
// quit removes the file, so the next start is a fresh one.
class CShowResume
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kRunningInterval { 1000 };
    // A resumed show that dies sooner than this counts as a failed attempt;
    // after kMaxAttempts in a row the player starts fresh instead.
    static constexpr std::chrono::seconds kSettled { 30 };
    static constexpr int kMaxAttempts = 3;

    CShowResume(CMainFrame& frame, const std::string& path);
    ~CShowResume(); // stops writing and leaves the file as an unclean end would
    CShowResume(const CShowResume&) = delete;
    CShowResume& operator=(const CShowResume&) = delete;

    // True when a file from an unclean end was found and its show is being restored.
    bool RestoreIfUnclean();
    void Tick(Clock::time_point now = Clock::now());
    void Finish(); // a clean quit
    int GetWrites() const { return m_Writer.GetWrites(); }

private:
    CResumeState Capture() const;
    void Restore(const CResumeState& saved);
    void OnRestored(int player, const CResumeState::Player& saved, bool opened);

    CMainFrame& m_Frame;
    CResumeFile m_File;
    CResumeWriter m_Writer;
    std::optional<CResumeState> m_LastWritten;
    Clock::time_point m_LastWrite {};
    Clock::time_point m_Started = Clock::now();
    int m_Attempts = 0; // carried in the file until the show has settled
    int m_PendingOpens = 0; // the restore's opens; nothing is written before they end
    std::shared_ptr<bool> m_Alive = std::make_shared<bool>(true);
};
