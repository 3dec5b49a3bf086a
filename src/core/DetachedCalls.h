#pragma once

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

// Runs calls that may never return (a stat or read on a network share that
// hangs waits until the share answers) each on a thread of its own that nobody
// joins: neither the interface thread nor quitting ever waits for one. A call
// returns what is to be done with its result, which then runs on the thread
// that made this object, as a queued call.
//
// Invariant: after Stop (or destruction) no result is delivered; a call still
// running holds only its own shared state and ends by itself, or with the
// process. At most kMaxRunning calls run at once in the process, so a share
// that hangs for ever cannot collect threads without limit.
class CDetachedCalls
{
public:
    static constexpr int kMaxRunning = 16;
    // A call's work, and what it hands back to run on the owner's thread (may be empty).
    using Done = std::function<void()>;
    using Work = std::function<Done()>;

    CDetachedCalls();
    ~CDetachedCalls();
    CDetachedCalls(const CDetachedCalls&) = delete;
    CDetachedCalls& operator=(const CDetachedCalls&) = delete;

    // Starts work on a detached thread; false, and nothing started, when
    // kMaxRunning calls are running already (or no thread can be made).
    bool Start(Work work);
    void Stop();

    // Calls of the whole process that have not returned yet.
    static int Running() { return s_Running.load(); }

private:
    struct Shared
    {
        std::mutex mutex;
        QObject* context = nullptr;
    };
    std::unique_ptr<QObject> m_pContext;
    std::shared_ptr<Shared> m_pShared;
    static inline std::atomic<int> s_Running { 0 };
};
