#include "core/ResumeWriter.h"

#include "core/Log.h"

#include <utility>

CResumeWriter::CResumeWriter(CResumeFile file)
    : m_File(std::move(file))
    , m_Thread([this] { Run(); })
{
}

CResumeWriter::~CResumeWriter()
{
    Stop();
}

void CResumeWriter::Submit(std::optional<std::string> state, CResumePosition record, bool sync, Done done)
{
    {
        const std::lock_guard lock(m_Mutex);
        if (m_bStopping)
            return;
        if (state)
            m_PendingState = std::move(state);
        m_PendingRecord = record;
        m_bPendingSync = m_bPendingSync || sync;
        if (done)
            m_Done.push_back(std::move(done));
    }
    m_Wake.notify_one();
}

void CResumeWriter::Stop(bool removeFile)
{
    {
        const std::lock_guard lock(m_Mutex);
        m_bStopping = true;
    }
    m_Wake.notify_one();
    if (m_Thread.joinable())
        m_Thread.join();
    if (removeFile)
        m_File.Remove();
}

int CResumeWriter::GetWrites() const
{
    const std::lock_guard lock(m_Mutex);
    return m_Writes;
}

int CResumeWriter::GetFailures() const
{
    const std::lock_guard lock(m_Mutex);
    return m_Failures;
}

void CResumeWriter::Run()
{
    // A record must outrank every slot already on disk, whichever run wrote it.
    uint64_t serial = m_File.LastSerial();
    std::unique_lock lock(m_Mutex);
    for (;;) {
        while (!m_bStopping && !(HasPending() && Clock::now() >= m_RetryAt)) {
            if (HasPending())
                m_Wake.wait_until(lock, m_RetryAt);
            else
                m_Wake.wait(lock);
        }
        if (!HasPending())
            return;
        std::optional<std::string> state = std::exchange(m_PendingState, std::nullopt);
        std::optional<CResumePosition> record = std::exchange(m_PendingRecord, std::nullopt);
        const bool sync = std::exchange(m_bPendingSync, false);
        std::vector<Done> done = std::exchange(m_Done, {});
        lock.unlock();

        // The state first: a record naming a state that is not on disk would be ignored anyway.
        std::string error;
        const bool stateWritten = !state || m_File.Write(*state, &error);
        bool recordWritten = false;
        if (stateWritten && record) {
            record->serial = ++serial;
            recordWritten = m_File.WriteRecord(*record, sync, &error);
        }
        const bool written = stateWritten && (!record || recordWritten);
        lock.lock();
        m_Writes += (state && stateWritten ? 1 : 0) + (recordWritten ? 1 : 0);
        if (written) {
            if (!m_LastError.empty())
                LogMessage("Resume: writing %s again.\n", m_File.GetPath().c_str());
            m_LastError.clear();
        } else {
            ++m_Failures;
            if (error != m_LastError)
                LogError("Resume: %s; retrying.\n", error.c_str());
            m_LastError = error;
            // What failed waits for the next try unless something newer took its place.
            if (!stateWritten && !m_PendingState)
                m_PendingState = std::move(state);
            if (!m_PendingRecord)
                m_PendingRecord = record;
            m_bPendingSync = m_bPendingSync || sync;
            m_RetryAt = Clock::now() + kRetryInterval;
        }
        lock.unlock();
        for (const Done& callback : done)
            callback(written);
        lock.lock();
        if (m_bStopping && !written)
            return; // one last try at the end; a failing disk must not hold up the quit
    }
}
