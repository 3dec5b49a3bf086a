#include "playback/GraphWorker.h"

#include "core/Log.h"

CGraphWorker::CGraphWorker()
    : m_pState(std::make_shared<State>())
{
}

CGraphWorker::~CGraphWorker()
{
    std::unique_lock lock(m_pState->mutex);
    m_pState->stopping = true;
    m_pState->wake.notify_one();
    if (!m_Thread.joinable())
        return;
    if (m_pState->finished.wait_for(lock, kExitWait, [this] { return m_pState->done; })) {
        lock.unlock();
        m_Thread.join();
        return;
    }
    lock.unlock();
    LogMessage("CGraphWorker: a graph call has not returned for %lld ms (a file system that hangs?); "
               "its thread is left behind.\n",
        static_cast<long long>(kExitWait.count()));
    m_Thread.detach();
}

void CGraphWorker::Post(std::function<void()> task)
{
    std::lock_guard lock(m_pState->mutex);
    m_pState->tasks.push_back(std::move(task));
    if (!m_Thread.joinable())
        m_Thread = std::thread([state = m_pState] { Run(state); });
    m_pState->wake.notify_one();
}

bool CGraphWorker::IsIdle() const
{
    std::lock_guard lock(m_pState->mutex);
    return m_pState->tasks.empty() && !m_pState->busy;
}

bool CGraphWorker::IsStuck(std::chrono::milliseconds limit) const
{
    std::lock_guard lock(m_pState->mutex);
    return m_pState->busy && Clock::now() - m_pState->busySince > limit;
}

void CGraphWorker::LeaveBehind()
{
    {
        std::lock_guard lock(m_pState->mutex);
        m_pState->stopping = true;
        m_pState->wake.notify_one();
    }
    if (m_Thread.joinable())
        m_Thread.detach();
}

void CGraphWorker::Run(const std::shared_ptr<State>& state)
{
    std::unique_lock lock(state->mutex);
    for (;;) {
        state->wake.wait(lock, [&] { return state->stopping || !state->tasks.empty(); });
        if (state->tasks.empty())
            break; // stopping, nothing left
        std::function<void()> task = std::move(state->tasks.front());
        state->tasks.pop_front();
        state->busy = true;
        state->busySince = Clock::now();
        lock.unlock();
        task();
        task = nullptr; // its references go here, off the caller's thread
        lock.lock();
        state->busy = false;
    }
    state->done = true;
    state->finished.notify_all();
}
