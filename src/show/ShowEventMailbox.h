#pragma once

#include "show/ShowEvent.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

// The engine's events for a subscriber on another thread (a web server's,
// say). The engine's handlers run on the interface thread and must never wait
// for such a subscriber: Post only queues and returns. Positions coalesce into
// one slot (a slow reader gets the newest), and the queue holds at most
// `capacity` other events: past that the oldest go and are counted, so a
// reader that stalls costs a bounded amount of memory and the engine nothing.
class CShowEventMailbox
{
public:
    explicit CShowEventMailbox(size_t capacity = 256);

    // From the engine's handler, on the interface thread.
    void Post(const ShowEvent& event);
    // On the reader's thread: every waiting event in order (the newest position
    // last), waiting up to timeoutMs for the first; empty when none came.
    std::vector<ShowEvent> Take(int timeoutMs);
    // Events dropped because the reader fell behind.
    uint64_t Dropped() const;
    // Wakes a reader waiting in Take (shutting down).
    void Close();

private:
    const size_t m_Capacity;
    mutable std::mutex m_Mutex;
    std::condition_variable m_Ready;
    std::deque<ShowEvent> m_Events;
    std::optional<ShowEvent> m_Position;
    uint64_t m_Dropped = 0;
    bool m_bClosed = false;
};
