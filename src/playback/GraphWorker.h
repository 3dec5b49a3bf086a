#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// Runs a player's slow graph calls, in the order they were posted, on a thread
// of its own: a state change to PAUSED typefinds and plugs the demuxer in the
// calling thread, and a change to NULL waits for every streaming thread, so on
// a damaged or stalling medium either can take a long time, and on a network
// share that hangs for ever.
//
// The thread starts with the first task. Destroying the worker runs what is
// still queued and joins the thread, but waits at most kExitWait: a thread
// stuck in a call that does not return is left behind with the state it
// shares, and ends with the process.
class CGraphWorker
{
public:
    static constexpr std::chrono::milliseconds kExitWait { 2000 };

    CGraphWorker();
    ~CGraphWorker();
    CGraphWorker(const CGraphWorker&) = delete;
    CGraphWorker& operator=(const CGraphWorker&) = delete;

    void Post(std::function<void()> task);
    // Nothing queued and nothing running: destroying it now does not wait.
    bool IsIdle() const;
    // Whether one task has been running for longer than limit.
    bool IsStuck(std::chrono::milliseconds limit) const;
    // Lets the thread finish its queue by itself; destruction then waits for nothing.
    void LeaveBehind();

private:
    using Clock = std::chrono::steady_clock;
    struct State
    {
        std::mutex mutex;
        std::condition_variable wake;
        std::condition_variable finished;
        std::deque<std::function<void()>> tasks;
        bool stopping = false;
        bool done = false;
        Clock::time_point busySince {}; // while a task runs
        bool busy = false;
    };
    static void Run(const std::shared_ptr<State>& state);

    std::shared_ptr<State> m_pState;
    std::thread m_Thread;
};
