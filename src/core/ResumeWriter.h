#pragma once

#include "core/ResumeFile.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// Writes the resume file on a thread of its own: a sync to disk can take a
// slow card hundreds of milliseconds, and the interface thread must never wait
// for it. Only the newest submitted state is written; older ones still waiting
// are dropped.
class CResumeWriter
{
public:
    explicit CResumeWriter(CResumeFile file);
    ~CResumeWriter(); // writes what is still waiting, then stops
    CResumeWriter(const CResumeWriter&) = delete;
    CResumeWriter& operator=(const CResumeWriter&) = delete;

    void Submit(std::string content);
    // Stops the thread after the waiting write; with removeFile the file goes
    // too (a clean quit). Idempotent.
    void Stop(bool removeFile = false);
    int GetWrites() const;

private:
    void Run();

    const CResumeFile m_File;
    mutable std::mutex m_Mutex;
    std::condition_variable m_Wake;
    std::optional<std::string> m_Pending;
    bool m_bStopping = false;
    int m_Writes = 0;
    std::thread m_Thread;
};
