#include "playback/GraphWorker.h"

CGraphWorker::~CGraphWorker()
{
    {
        std::lock_guard lock(m_Mutex);
        m_bStopping = true;
    }
    m_Wake.notify_one();
    if (m_Thread.joinable())
        m_Thread.join();
}

void CGraphWorker::Post(std::function<void()> task)
{
    {
        std::lock_guard lock(m_Mutex);
        m_Tasks.push_back(std::move(task));
        if (!m_Thread.joinable())
            m_Thread = std::thread([this] { Run(); });
    }
    m_Wake.notify_one();
}

bool CGraphWorker::IsIdle()
{
    std::lock_guard lock(m_Mutex);
    return m_Tasks.empty() && !m_bRunning;
}

void CGraphWorker::Run()
{
    std::unique_lock lock(m_Mutex);
    for (;;) {
        m_Wake.wait(lock, [this] { return m_bStopping || !m_Tasks.empty(); });
        if (m_Tasks.empty())
            return; // stopping, nothing left
        std::function<void()> task = std::move(m_Tasks.front());
        m_Tasks.pop_front();
        m_bRunning = true;
        lock.unlock();
        task();
        task = nullptr; // its references go here, off the caller's thread
        lock.lock();
        m_bRunning = false;
    }
}
