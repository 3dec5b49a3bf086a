#pragma once

#include "core/ResumeFile.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Writes the resume files on a thread of its own: a sync to disk can take a
// slow card hundreds of milliseconds, and the interface thread must never wait
// for it. Only the newest submitted state and record are written; older ones
// still waiting are dropped. A write that fails stays waiting and is tried
// again every kRetryInterval (logged once when it starts failing and once when
// it works again), so a full disk or a late mount costs nothing but the wait.
class CResumeWriter
{
public:
    static constexpr std::chrono::milliseconds kRetryInterval { 1000 };
    using Done = std::function<void(bool written)>;

    explicit CResumeWriter(CResumeFile file);
    ~CResumeWriter(); // writes what is still waiting (one try), then stops
    CResumeWriter(const CResumeWriter&) = delete;
    CResumeWriter& operator=(const CResumeWriter&) = delete;

    // state: the whole state's text, or nothing when only the record moved (a
    // state still waiting stays). sync: the record goes to disk at once. done
    // runs on the writer's thread when this submission is on disk (true) or
    // its first try failed (false; it is still retried).
    void Submit(std::optional<std::string> state, CResumePosition record, bool sync = false, Done done = {});
    // Stops the thread after the waiting write; with removeFile the files go
    // too (a clean quit). Idempotent.
    void Stop(bool removeFile = false);
    int GetWrites() const; // files written; a failed try is not one
    int GetFailures() const;

private:
    using Clock = std::chrono::steady_clock;
    void Run();
    bool HasPending() const { return m_PendingState || m_PendingRecord; }

    const CResumeFile m_File;
    mutable std::mutex m_Mutex;
    std::condition_variable m_Wake;
    std::optional<std::string> m_PendingState;
    std::optional<CResumePosition> m_PendingRecord;
    bool m_bPendingSync = false;
    std::vector<Done> m_Done;
    bool m_bStopping = false;
    Clock::time_point m_RetryAt {};
    std::string m_LastError; // while failing
    int m_Writes = 0;
    int m_Failures = 0;
    std::thread m_Thread;
};
