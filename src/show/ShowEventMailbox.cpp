#include "show/ShowEventMailbox.h"

#include <chrono>
#include <utility>

CShowEventMailbox::CShowEventMailbox(size_t capacity)
    : m_Capacity(capacity == 0 ? 1 : capacity)
{
}

void CShowEventMailbox::Post(const ShowEvent& event)
{
    {
        const std::lock_guard lock(m_Mutex);
        if (m_bClosed)
            return;
        if (event.kind == ShowEventKind::Position) {
            m_Position = event;
        } else {
            if (m_Events.size() >= m_Capacity) {
                m_Events.pop_front();
                ++m_Dropped;
            }
            m_Events.push_back(event);
        }
    }
    m_Ready.notify_one();
}

std::vector<ShowEvent> CShowEventMailbox::Take(int timeoutMs)
{
    std::unique_lock lock(m_Mutex);
    m_Ready.wait_for(lock, std::chrono::milliseconds(timeoutMs),
        [this] { return m_bClosed || !m_Events.empty() || m_Position.has_value(); });
    std::vector<ShowEvent> events(m_Events.begin(), m_Events.end());
    m_Events.clear();
    if (m_Position)
        events.push_back(*std::exchange(m_Position, std::nullopt));
    return events;
}

uint64_t CShowEventMailbox::Dropped() const
{
    const std::lock_guard lock(m_Mutex);
    return m_Dropped;
}

void CShowEventMailbox::Close()
{
    {
        const std::lock_guard lock(m_Mutex);
        m_bClosed = true;
    }
    m_Ready.notify_all();
}
