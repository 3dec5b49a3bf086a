#include "playback/GroupClock.h"

#include "playback/MPlayer.h"

#include <algorithm>

namespace {

GstClock* Ref(GstClock* clock)
{
    return clock ? GST_CLOCK(gst_object_ref(clock)) : nullptr;
}

} // namespace

// Held, not borrowed: the wall's owner drops a clock once it has made the next one.
CGroupClock::CGroupClock(GstClock* clock)
    : m_pClock(Ref(clock))
{
}

void CGroupClock::Move(GstClock* clock, int64_t jumpNs)
{
    m_pClock.reset(Ref(clock));
    if (clock)
        for (CMPlayer* player : m_Players)
            player->MoveGraphToClock(clock, jumpNs);
}

void CGroupClock::Add(CMPlayer* player)
{
    if (std::find(m_Players.begin(), m_Players.end(), player) == m_Players.end())
        m_Players.push_back(player);
}

void CGroupClock::Remove(CMPlayer* player)
{
    m_Players.erase(std::remove(m_Players.begin(), m_Players.end(), player), m_Players.end());
}
