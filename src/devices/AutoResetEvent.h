#pragma once

// A signal that wakes one waiter and then resets itself; setting it again
// before anyone waited changes nothing. Built on an eventfd so that a thread
// can wait for either of two events with one time limit.
//
// Set() never blocks and may be called from any thread. Only one thread waits.
// If the eventfd cannot be created the event never fires and waits just time out.
class CAutoResetEvent
{
public:
    CAutoResetEvent();
    ~CAutoResetEvent();
    CAutoResetEvent(const CAutoResetEvent&) = delete;
    CAutoResetEvent& operator=(const CAutoResetEvent&) = delete;

    bool IsValid() const { return m_fd >= 0; }
    void Set();

    // Waits at most timeoutMs for the event and resets it; true when it was set.
    bool Wait(int timeoutMs);

    // Waits at most timeoutMs for either event and resets the one that woke
    // the waiter (the first if both were set). Returns 0 or 1 for the event,
    // -1 on time-out.
    static int WaitAny(CAutoResetEvent& first, CAutoResetEvent& second, int timeoutMs);

private:
    bool TryReset();

    int m_fd;
};
