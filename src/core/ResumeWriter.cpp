#include "core/ResumeWriter.h"

CResumeWriter::CResumeWriter(CResumeFile file)
    : m_File(std::move(file))
    , m_Thread([this] { Run(); })
{
}

CResumeWriter::~CResumeWriter()
{
    Stop();
}

void CResumeWriter::Submit(std::string content)
{
    {
        const std::lock_guard lock(m_Mutex);
        if (m_bStopping)
            return;
        m_Pending = std::move(content);
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

void CResumeWriter::Run()
{
    std::unique_lock lock(m_Mutex);
    for (;;) {
        m_Wake.wait(lock, [this] { return m_Pending || m_bStopping; });
        if (m_Pending) {
            const std::string content = std::move(*m_Pending);
            m_Pending.reset();
            lock.unlock();
            const bool written = m_File.Write(content);
            lock.lock();
            m_Writes += written ? 1 : 0;
            continue;
        }
        if (m_bStopping)
            return;
    }
}
