#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Runs a player's slow graph calls, in the order they were posted, on a thread
// of its own: a state change to PAUSED typefinds and plugs the demuxer in the
// calling thread, and a change to NULL waits for every streaming thread, so on
// a damaged or stalling medium either can take a long time.
//
// The thread starts with the first task. Destroying the worker runs what is
// still queued and joins the thread.
class CGraphWorker
{
public:
    CGraphWorker() = default;
    ~CGraphWorker();
    CGraphWorker(const CGraphWorker&) = delete;
    CGraphWorker& operator=(const CGraphWorker&) = delete;

    void Post(std::function<void()> task);
    // Nothing queued and nothing running: destroying it now does not wait.
    bool IsIdle();

private:
    void Run();

    std::mutex m_Mutex;
    std::condition_variable m_Wake;
    std::deque<std::function<void()>> m_Tasks;
    bool m_bStopping = false;
    bool m_bRunning = false;
    std::thread m_Thread;
};
